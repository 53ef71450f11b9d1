#include "fingerprint.h"

namespace larkspan::zuv0 {
namespace {

// The length of the UTF-8 sequence that starts with lead, 1 for a byte that starts none.
std::size_t SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead >> 5) == 0x6) return 2;
    if ((lead >> 4) == 0xE) return 3;
    if ((lead >> 3) == 0x1E) return 4;
    return 1;
}

// The code point of the sequence at text[at], or 0xFFFD when it is cut off or malformed.
char32_t Decode(std::string_view text, std::size_t at, std::size_t length) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    if (at + length > text.size()) return 0xFFFD;
    char32_t code = length == 1 ? byte(0) : byte(0) & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0xFFFD;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    return code;
}

bool IsWordCharacter(char32_t c) {
    if (c < 0x80) return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (c == 0xA0 || c == 0xAD || c == 0xB7 || c == 0xAB || c == 0xBB || c == 0xFEFF || c == 0xFFFD)
        return false;
    if (c >= 0x2000 && c <= 0x206F) return false;  // spaces, dashes, quotes, bullets, ellipsis
    if (c == 0x3000 || (c >= 0xE000 && c <= 0xF8FF))
        return false;  // ideographic space, private use (symbol fonts)
    return true;
}

}  // namespace

void AddWords(std::string_view utf8, std::vector<std::string>& words) {
    std::string word;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = SequenceLength(static_cast<unsigned char>(utf8[at]));
        const char32_t c = Decode(utf8, at, length);
        if (IsWordCharacter(c)) {
            if (c < 0x80)
                word += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
            else
                word.append(utf8.substr(at, std::min(length, utf8.size() - at)));
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
        at += length;
    }
    if (!word.empty()) words.push_back(std::move(word));
}

bool ResultIsRecomputed(std::string_view code) {
    static constexpr std::string_view kRecomputed[] = {
        "=",        "ADDRESSBLOCK", "ASK",        "AUTHOR",       "AUTONUM",      "AUTONUMLGL",  "AUTONUMOUT",
        "COMMENTS", "COMPARE",      "CREATEDATE", "DATE",         "DOCPROPERTY",  "DOCVARIABLE", "EDITTIME",
        "FILENAME", "FILESIZE",     "FILLIN",     "FORMDROPDOWN", "GREETINGLINE", "IF",          "INFO",
        "KEYWORDS", "LASTSAVEDBY",  "LISTNUM",    "MERGEFIELD",   "MERGEREC",     "MERGESEQ",    "NOTEREF",
        "NUMCHARS", "NUMPAGES",     "NUMWORDS",   "PAGE",         "PAGEREF",      "PRINTDATE",   "REF",
        "REVNUM",   "SAVEDATE",     "SECTION",    "SECTIONPAGES", "SEQ",          "STYLEREF",    "SUBJECT",
        "TEMPLATE", "TIME",         "TITLE",      "USERADDRESS",  "USERINITIALS", "USERNAME"};
    std::size_t at = code.find_first_not_of(" \t\r\n\\");
    if (at == std::string_view::npos) return false;
    // "=" needs no space after it ("=2*3"); a name ends at a space or a switch.
    std::size_t end = code[at] == '=' ? at + 1 : code.find_first_of(" \t\r\n\\\"", at);
    if (end == std::string_view::npos) end = code.size();
    std::string name(code.substr(at, end - at));
    for (char& c : name)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    for (std::string_view known : kRecomputed)
        if (name == known) return true;
    return false;
}

}  // namespace larkspan::zuv0
