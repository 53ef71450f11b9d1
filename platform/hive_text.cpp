#include "platform/hive_text.h"

#include <cstdint>
#include <cstdio>
#include <optional>

#include "platform/text_encoding.h"

namespace larkspan::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";

unsigned char Fold(char c) {
    unsigned char x = static_cast<unsigned char>(c);
    return x >= 'A' && x <= 'Z' ? static_cast<unsigned char>(x - 'A' + 'a') : x;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

// FNV-1a over the case-folded bytes, its high bits then mixed into the low ones that pick a slot: names
// that differ only in their last digits would otherwise crowd together.
std::uint64_t FoldedHash(std::string_view s) {
    std::uint64_t hash = 14695981039346656037ull;
    for (char c : s) hash = (hash ^ Fold(c)) * 1099511628211ull;
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    return hash ^ (hash >> 33);
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
    for (std::size_t i = 1; i < s.size();) {
        std::size_t stop = i;
        while (stop < s.size() && s[stop] != '"' && s[stop] != '\\') ++stop;
        if (stop == s.size()) return std::nullopt;
        out.append(s, i, stop - i);
        if (s[stop] == '"') {
            s.remove_prefix(stop + 1);
            return out;
        }
        if (stop + 1 >= s.size()) return std::nullopt;
        out += s[stop + 1];
        i = stop + 2;
    }
    return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        std::size_t stop = i;
        while (stop < text.size() && text[stop] != '"' && text[stop] != '\\') ++stop;
        out.append(text, i, stop - i);
        if (stop == text.size()) break;
        out += '\\';
        out += text[stop];
        i = stop + 1;
    }
    out += '"';
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

void AppendHexBytes(std::string& out, const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.reserve(out.size() + bytes.size() * 3);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) out += ',';
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 15];
    }
}

void AppendValue(std::string& out, const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        // A quoted text is read line by line and as UTF-8; anything else goes as UTF-16, with the bytes
        // that are no UTF-8 carried as escapes, so that every byte string reads back as it was.
        if (text->find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos && IsValidUtf8(*text)) {
            AppendQuoted(out, *text);
        } else {
            out += "hex(1):";
            AppendHexBytes(out, *Utf8ToUtf16Le(*text + '\0', InvalidBytes::Escape));
        }
    } else if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "dword:%08x", *number);
        out += buf;
    } else {
        out += std::get<RawValue>(value).text;
    }
}

}  // namespace

template <typename NameAt>
std::size_t FoldedNameIndex::Probe(std::uint64_t hash, std::string_view name, NameAt nameAt) const {
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].position != npos &&
           (slots_[i].hash != hash || !EqualsIgnoreCase(nameAt(slots_[i].position), name)))
        i = (i + 1) & mask;
    return i;
}

template <typename NameAt>
std::size_t FoldedNameIndex::Find(std::string_view name, NameAt nameAt) const {
    if (slots_.empty()) return npos;
    return slots_[Probe(FoldedHash(name), name, nameAt)].position;
}

template <typename NameAt>
std::size_t FoldedNameIndex::FindOrAdd(std::string_view name, std::size_t next, NameAt nameAt) {
    if ((count_ + 1) * 2 > slots_.size()) {
        std::vector<Slot> old(std::max<std::size_t>(16, slots_.size() * 2));
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot& slot : old) {
            if (slot.position == npos) continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].position != npos) i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }
    const std::uint64_t hash = FoldedHash(name);
    Slot& slot = slots_[Probe(hash, name, nameAt)];
    if (slot.position != npos) return slot.position;
    slot = {hash, next};
    ++count_;
    return npos;
}

KeySection* Hive::FindSection(std::string_view path) {
    return const_cast<KeySection*>(std::as_const(*this).FindSection(path));
}

const KeySection* Hive::FindSection(std::string_view path) const {
    std::size_t at =
        sectionIndex_.Find(path, [this](std::size_t i) -> std::string_view { return sections_[i].path; });
    return at == FoldedNameIndex::npos ? nullptr : &sections_[at];
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

void Hive::AddKey(std::string_view path) {
    auto pathAt = [this](std::size_t i) -> std::string_view { return sections_[i].path; };
    if (sectionIndex_.FindOrAdd(path, sections_.size(), pathAt) != FoldedNameIndex::npos) return;
    sections_.push_back(KeySection{std::string(path), {}});
    valueIndex_.emplace_back();
}

void Hive::CreateKey(std::string_view path) {
    // Every level below the root gets its own section, as an export lists them.
    std::size_t pos = path.find('\\');
    while (pos != std::string_view::npos) {
        std::size_t next = path.find('\\', pos + 1);
        AddKey(path.substr(0, next));
        pos = next;
    }
    AddKey(path);
}

const Value* Hive::FindValue(std::string_view path, std::string_view name) const {
    const KeySection* section = FindSection(path);
    if (!section) return nullptr;
    const std::size_t index = static_cast<std::size_t>(section - sections_.data());
    std::size_t at = valueIndex_[index].Find(name, [&](std::size_t i) { return NameAt(index, i); });
    return at == FoldedNameIndex::npos ? nullptr : &section->values[at].second;
}

void Hive::SetValue(std::string_view path, std::string_view name, Value value) {
    KeySection* section = FindSection(path);
    if (!section) {
        CreateKey(path);
        section = FindSection(path);
    }
    const std::size_t index = static_cast<std::size_t>(section - sections_.data());
    std::size_t at = valueIndex_[index].FindOrAdd(name, section->values.size(),
                                                  [&](std::size_t i) { return NameAt(index, i); });
    if (at != FoldedNameIndex::npos)
        section->values[at].second = std::move(value);
    else
        section->values.emplace_back(std::string(name), std::move(value));
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
    std::string joined;   // such a value once complete
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
            joined = std::move(pending);
            pending.clear();
            // Trimmed as any line is: a blank line can end the value right after a space.
            line = TrimRight(joined);
        }
        std::string_view l = line;
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
            // Its own section only: a line of a million backslashes must not make a million sections.
            hive.AddKey(currentPath);
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
        out += "\n[";
        out += section.path;
        out += "]\n";
        for (const auto& [name, value] : section.values) {
            if (name.empty())
                out += '@';
            else
                AppendQuoted(out, name);
            out += '=';
            AppendValue(out, value);
            out += '\n';
        }
    }
    return out;
}

}  // namespace larkspan::registry
