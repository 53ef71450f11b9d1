#include "app/run_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <utility>

#include "larkspan_version.h"
#include "platform/file_writing.h"

namespace larkspan {
namespace {

// The length of the UTF-8 character at text[at], or 0 when the bytes there are none.
std::size_t Utf8Length(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80           ? 1
                         : (lead >> 5) == 0x6  ? 2
                         : (lead >> 4) == 0xE  ? 3
                         : (lead >> 3) == 0x1E ? 4
                                               : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    // No overlong forms, no surrogates, nothing past U+10FFFF.
    if (length == 2 && lead < 0xC2) return 0;
    if (length == 3 && ((lead == 0xE0 && byte(at + 1) < 0xA0) || (lead == 0xED && byte(at + 1) >= 0xA0)))
        return 0;
    if (length == 4 &&
        ((lead == 0xF0 && byte(at + 1) < 0x90) || lead > 0xF4 || (lead == 0xF4 && byte(at + 1) >= 0x90)))
        return 0;
    return length;
}

bool IsUtf8(const std::string& text) {
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

std::string Hex(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : bytes) {
        hex += kDigits[c >> 4];
        hex += kDigits[c & 15];
    }
    return hex;
}

// "name":"text", and "name_hex":"..." beside it when text is not UTF-8.
std::string PathField(const std::string& name, const std::string& text) {
    std::string field = JsonString(name) + ":" + JsonString(text);
    if (!IsUtf8(text)) field += "," + JsonString(name + "_hex") + ":" + JsonString(Hex(text));
    return field;
}

// The losses as a JSON list of their texts.
std::string Losses(const std::string& losses) {
    std::string list = "[";
    for (std::size_t start = 0; start < losses.size();) {
        std::size_t end = losses.find("; ", start);
        if (end == std::string::npos) end = losses.size();
        list += (list.size() > 1 ? "," : "") + JsonString(losses.substr(start, end - start));
        start = end + 2;
    }
    return list + "]";
}

// The converter's check as it gave it: one JSON object on one line, or null; nothing else is taken into the
// report.
std::string CheckObject(const std::string& check) {
    if (check.size() < 2 || check.front() != '{' || check.back() != '}' ||
        check.find_first_of("\n\r") != std::string::npos)
        return "null";
    return check;
}

std::string SizeOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "null";
    return std::to_string(info.st_size);
}

std::string Now() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string Host() {
    char name[256] = {};
    return ::gethostname(name, sizeof name - 1) == 0 ? name : "";
}

}  // namespace

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (std::size_t at = 0; at < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8Length(text, at);
        if (length == 0) {
            json += "\\ufffd";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json.append(text, at, length);
        }
        at += length;
    }
    return json + "\"";
}

std::optional<RunReport> RunReport::Open(const std::string& file, std::error_code& error) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = {errno, std::generic_category()};
        return std::nullopt;
    }
    return RunReport(fd);
}

RunReport::RunReport(RunReport&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), shard_(std::move(other.shard_)), error_(other.error_) {}

RunReport& RunReport::operator=(RunReport&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = std::exchange(other.fd_, -1);
        shard_ = std::move(other.shard_);
        error_ = other.error_;
    }
    return *this;
}

RunReport::~RunReport() {
    if (fd_ >= 0) ::close(fd_);
}

void RunReport::Line(const std::string& json) {
    const std::string line = json + "\n";
    // One write: whatever ends the process, a line is in the file whole or not at all.
    if (!files::WriteAll(fd_, line.data(), line.size()) && !error_) error_ = {errno, std::generic_category()};
}

void RunReport::Begin(const std::vector<std::string>& arguments, const std::string& libreOffice,
                      const std::string& shard) {
    shard_ = shard;
    std::string list;
    for (const std::string& argument : arguments) list += (list.empty() ? "" : ",") + JsonString(argument);
    Line("{\"type\":\"run\",\"arguments\":[" + list + "],\"version\":" + JsonString(LARKSPAN_VERSION) +
         ",\"libreoffice\":" + JsonString(libreOffice) + ",\"host\":" + JsonString(Host()) + ",\"started\":" +
         JsonString(Now()) + ",\"shard\":" + (shard.empty() ? "null" : JsonString(shard)) + "}");
}

void RunReport::File(const ReportedFile& file) {
    const bool written = file.outcome == "converted" || file.outcome == "copied" || file.outcome == "skipped";
    Line("{\"type\":\"file\"," + PathField("source", file.source) + "," + PathField("target", file.target) +
         ",\"outcome\":" + JsonString(file.outcome) + ",\"reason\":" + JsonString(file.reason) +
         ",\"source_size\":" + SizeOf(file.source) + ",\"target_size\":" +
         (written ? SizeOf(file.target) : "null") + ",\"ms\":" + std::to_string(file.milliseconds) +
         ",\"shard\":" + (shard_.empty() ? "null" : JsonString(shard_)) + ",\"losses\":" + Losses(file.losses) +
         ",\"check\":" + CheckObject(file.check) + "}");
}

void RunReport::End(const ReportTotals& totals) {
    Line("{\"type\":\"totals\",\"files\":" + std::to_string(totals.files) + ",\"converted\":" +
         std::to_string(totals.converted) + ",\"copied\":" + std::to_string(totals.copied) +
         ",\"skipped\":" + std::to_string(totals.skipped) + ",\"failed\":" + std::to_string(totals.failed) +
         ",\"refused\":" + std::to_string(totals.refused) + ",\"with_losses\":" + std::to_string(totals.withLosses) +
         ",\"ms\":" + std::to_string(totals.milliseconds) +
         ",\"unfinished\":" + std::to_string(totals.unfinished) +
         ",\"stopped\":" + (totals.stopped ? "true" : "false") +
         ",\"shard\":" + (shard_.empty() ? "null" : JsonString(shard_)) + "}");
}

}  // namespace larkspan
