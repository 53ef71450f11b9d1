#include "platform/hive_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/paths.h"
#include "platform/text_encoding.h"

namespace larkspan::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && (s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}

// Reads a quoted text at the start of s (escapes \\ and \"); s is left after the closing quote.
std::optional<std::string> ReadQuoted(std::string_view& s) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            if (i + 1 >= s.size()) return std::nullopt;
            out += s[++i];
        } else if (c == '"') {
            s.remove_prefix(i + 1);
            return out;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

std::string Quote(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Pairs of hex digits separated by commas, as an export writes them.
std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view s) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(s.size() / 3 + 1);
    while (!s.empty()) {
        s = TrimLeft(s);
        if (s.empty()) break;
        if (s.size() < 2) return std::nullopt;
        int high = HexDigit(s[0]), low = HexDigit(s[1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        s.remove_prefix(2);
        s = TrimLeft(s);
        if (!s.empty()) {
            if (s.front() != ',') return std::nullopt;
            s.remove_prefix(1);
        }
    }
    return bytes;
}

std::optional<Value> ParseValue(std::string_view data) {
    if (!data.empty() && data.front() == '"') {
        std::optional<std::string> text = ReadQuoted(data);
        if (!text || !TrimRight(data).empty()) return std::nullopt;
        return Value(std::move(*text));
    }
    if (data.starts_with("dword:")) {
        std::string_view digits = data.substr(6);
        if (digits.empty() || digits.size() > 8) return std::nullopt;
        std::uint32_t number = 0;
        for (char c : digits) {
            int d = HexDigit(c);
            if (d < 0) return std::nullopt;
            number = number * 16 + static_cast<std::uint32_t>(d);
        }
        return Value(number);
    }
    if (data.starts_with("hex(1):")) {
        // A string that a quoted text cannot hold: UTF-16LE bytes ending in one NUL character.
        std::optional<std::vector<std::uint8_t>> bytes = ParseHexBytes(data.substr(7));
        if (!bytes || bytes->size() % 2 != 0) return std::nullopt;
        std::optional<std::string> text = Utf16LeToUtf8(*bytes, InvalidBytes::Escape);
        if (!text) return std::nullopt;
        if (!text->empty() && text->back() == '\0') text->pop_back();
        return Value(std::move(*text));
    }
    if (data.starts_with("hex")) {
        std::size_t colon = data.find(':');
        if (colon == std::string_view::npos || !ParseHexBytes(data.substr(colon + 1))) return std::nullopt;
        return Value(RawValue{std::string(data)});
    }
    return std::nullopt;
}

std::string FormatHexBytes(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve(bytes.size() * 3);
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ',';
        std::snprintf(buf, sizeof buf, "%02x", bytes[i]);
        out += buf;
    }
    return out;
}

std::string FormatValue(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        // A quoted text is read line by line and as UTF-8; anything else goes as UTF-16, with the bytes
        // that are no UTF-8 carried as escapes, so that every byte string reads back as it was.
        if (text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos && IsValidUtf8(*text))
            return Quote(*text);
        return "hex(1):" + FormatHexBytes(*Utf8ToUtf16Le(*text + '\0', InvalidBytes::Escape));
    }
    if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *number);
        return buf;
    }
    return std::get<RawValue>(value).text;
}

}  // namespace

KeySection* Hive::FindSection(std::string_view path) {
    return const_cast<KeySection*>(std::as_const(*this).FindSection(path));
}

const KeySection* Hive::FindSection(std::string_view path) const {
    auto found = sectionAt_.find(paths::ToLowerAscii(std::string(path)));
    return found == sectionAt_.end() ? nullptr : &sections_[found->second];
}

bool Hive::HasKey(std::string_view path) const {
    for (const KeySection& section : sections_) {
        std::string_view p = section.path;
        if (EqualsIgnoreCase(p, path)) return true;
        // A key listed only through its sub-keys exists too.
        if (p.size() > path.size() && p[path.size()] == '\\' &&
            EqualsIgnoreCase(p.substr(0, path.size()), path))
            return true;
    }
    return false;
}

void Hive::CreateKey(std::string_view path) {
    auto add = [this](std::string_view sectionPath) {
        if (sectionAt_.try_emplace(paths::ToLowerAscii(std::string(sectionPath)), sections_.size()).second) {
            sections_.push_back(KeySection{std::string(sectionPath), {}});
            valueAt_.emplace_back();
        }
    };
    // Every level below the root gets its own section, as an export lists them.
    std::size_t pos = path.find('\\');
    while (pos != std::string_view::npos) {
        std::size_t next = path.find('\\', pos + 1);
        add(path.substr(0, next));
        pos = next;
    }
    add(path);
}

const Value* Hive::FindValue(std::string_view path, std::string_view name) const {
    const KeySection* section = FindSection(path);
    if (!section) return nullptr;
    const auto& names = valueAt_[static_cast<std::size_t>(section - sections_.data())];
    auto found = names.find(paths::ToLowerAscii(std::string(name)));
    return found == names.end() ? nullptr : &section->values[found->second].second;
}

void Hive::SetValue(std::string_view path, std::string_view name, Value value) {
    KeySection* section = FindSection(path);
    if (!section) {
        CreateKey(path);
        section = FindSection(path);
    }
    auto& names = valueAt_[static_cast<std::size_t>(section - sections_.data())];
    auto [at, added] = names.try_emplace(paths::ToLowerAscii(std::string(name)), section->values.size());
    if (added)
        section->values.emplace_back(std::string(name), std::move(value));
    else
        section->values[at->second].second = std::move(value);
}

bool StorableName(std::string_view name) {
    return name.find('\n') == std::string_view::npos;
}

bool ParseHive(std::string_view text, Hive& hive, std::string& error) {
    std::string decoded;
    if (text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0xFF &&
        static_cast<unsigned char>(text[1]) == 0xFE) {
        // An export written by the registry editor itself is UTF-16LE.
        std::vector<std::uint8_t> bytes(text.begin() + 2, text.end());
        std::optional<std::string> utf8 = bytes.size() % 2 == 0 ? Utf16LeToUtf8(bytes) : std::nullopt;
        if (!utf8) {
            error = "invalid UTF-16 text";
            return false;
        }
        decoded = std::move(*utf8);
        text = decoded;
    } else if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);
    }

    hive = Hive{};
    bool sawHeader = false;
    std::string currentPath;
    bool inSection = false;
    std::size_t lineNumber = 0;
    std::string pending;  // a hex value continued over several lines
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++lineNumber;
        std::string_view line = TrimRight(raw);
        if (end == std::string_view::npos && (!line.empty() || !pending.empty())) {
            error = "the last line is cut off at line " + std::to_string(lineNumber);
            return false;
        }
        if (!pending.empty()) line = TrimLeft(line);
        if (!pending.empty() ||
            (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos)) {
            if (!line.empty() && line.back() == '\\') {
                pending += line.substr(0, line.size() - 1);
                continue;
            }
            pending += line;
            line = pending;
        }
        std::string owned(line);
        pending.clear();
        std::string_view l = owned;
        if (l.empty() || l.front() == ';') continue;
        auto fail = [&](const char* what) {
            error = std::string(what) + " at line " + std::to_string(lineNumber);
            return false;
        };
        if (!sawHeader) {
            if (l != kHeader && l != kOldHeader) return fail("missing header");
            sawHeader = true;
            continue;
        }
        if (l.front() == '[') {
            if (l.back() != ']' || l.size() < 3 || l[1] == '-') return fail("malformed key line");
            currentPath = std::string(l.substr(1, l.size() - 2));
            hive.CreateKey(currentPath);
            inSection = true;
            continue;
        }
        if (!inSection) return fail("value outside a key");
        std::string name;
        if (l.front() == '@') {
            l.remove_prefix(1);
        } else {
            std::optional<std::string> quoted = ReadQuoted(l);
            if (!quoted) return fail("malformed value name");
            name = std::move(*quoted);
        }
        l = TrimLeft(l);
        if (l.empty() || l.front() != '=') return fail("missing '='");
        l = TrimLeft(l.substr(1));
        std::optional<Value> value = ParseValue(l);
        if (!value) return fail("malformed value");
        hive.SetValue(currentPath, name, std::move(*value));
    }
    if (!sawHeader) {
        error = "empty hive";
        return false;
    }
    if (!pending.empty()) {
        error = "a value is cut off at the end";
        return false;
    }
    return true;
}

std::string FormatHive(const Hive& hive) {
    std::string out(kHeader);
    out += "\n";
    for (const KeySection& section : hive.sections()) {
        out += "\n[" + section.path + "]\n";
        for (const auto& [name, value] : section.values) {
            out += name.empty() ? std::string("@") : Quote(name);
            out += '=';
            out += FormatValue(value);
            out += '\n';
        }
    }
    return out;
}

}  // namespace larkspan::registry
