#include "conversion_check.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <exception>

#include "fingerprint_compare.h"
#include "unique_fd.h"
#include "word_binary_reader.h"
#include "word_package_reader.h"

namespace larkspan::zuv0 {
namespace {

enum class Reader { None, Binary, Package };

// The fingerprint of path, read as reader says; false with why when it cannot be had.
bool Read(const std::filesystem::path& path, Reader reader, Fingerprint& fingerprint, std::string& why) {
    UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0) {
        why = "cannot read it again";
        return false;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    try {
        return reader == Reader::Binary ? ReadWordBinary(file.get(), size, fingerprint, why)
                                        : ReadWordPackage(file.get(), size, fingerprint, why);
    } catch (const std::exception& error) {
        why = error.what();
        return false;
    }
}

// text as a JSON string; control characters, which no loss or reason holds on purpose, become spaces.
std::string JsonText(const std::string& text) {
    std::string json = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') json += '\\';
        json += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    return json + "\"";
}

std::string Unchecked(const std::string& why) {
    return "{\"unchecked\":" + JsonText(why) + "}";
}

}  // namespace

std::string JoinLosses(const std::vector<std::string>& losses) {
    std::string line;
    for (const std::string& loss : losses) line += (line.empty() ? "" : "; ") + loss;
    return line;
}

ConversionCheck CheckConversion(const std::filesystem::path& source, ContentKind sourceKind,
                                const std::filesystem::path& converted, const std::string& format) {
    const Reader from = sourceKind == ContentKind::WordBinary    ? Reader::Binary
                        : sourceKind == ContentKind::WordPackage ? Reader::Package
                                                                 : Reader::None;
    const Reader to = format == "doc" ? Reader::Binary : format == "docx" ? Reader::Package : Reader::None;
    if (from == Reader::None) return {{}, Unchecked("no reader of ours for the source's format")};
    if (to == Reader::None) return {{}, Unchecked("no reader of ours for the format converted to")};

    Fingerprint before, after;
    std::string why;
    if (!Read(source, from, before, why)) return {{}, Unchecked("the source: " + why)};
    if (!Read(converted, to, after, why)) return {{}, Unchecked("the converted file: " + why)};
    ConversionCheck check;
    check.losses = Losses(before, after);
    std::string list;
    for (const std::string& loss : check.losses) list += (list.empty() ? "" : ",") + JsonText(loss);
    check.json = "{\"source\":" + CountsJson(before) + ",\"converted\":" + CountsJson(after) +
                 ",\"losses\":[" + list + "]";
    // What a reader could not read is why a loss may have gone unsaid.
    if (!before.incomplete.empty()) check.json += ",\"source_incomplete\":" + JsonText(before.incomplete);
    if (!after.incomplete.empty()) check.json += ",\"converted_incomplete\":" + JsonText(after.incomplete);
    check.json += "}";
    return check;
}

}  // namespace larkspan::zuv0
