#include "word_binary_reader.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

#include "byte_reader.h"
#include "compound_file.h"

namespace larkspan::zuv0 {

namespace {

constexpr std::uint16_t kWordIdent = 0xA5EC;   // Word 6 and later
constexpr std::uint16_t kWord2Ident = 0xA5DB;  // Word 2
constexpr std::uint16_t kFirstWord97Fib = 0xC0;
// FibBase flags (the same bits in the FIBs of Word 2 and 6).
constexpr std::uint16_t kComplex = 0x0004;
constexpr std::uint16_t kEncrypted = 0x0100;
constexpr std::uint16_t kWhichTableStream = 0x0200;

// Character properties (Word 97 and later).
constexpr std::uint16_t kSprmCFRMarkDel = 0x0800;
constexpr std::uint16_t kSprmCFRMarkIns = 0x0801;
constexpr std::uint16_t kSprmCPicLocation = 0x6A03;
constexpr std::uint16_t kSprmCIbstRMark = 0x4804;
constexpr std::uint16_t kSprmCFData = 0x0806;
constexpr std::uint16_t kSprmCSymbol = 0x6A09;
constexpr std::uint16_t kSprmCFOle2 = 0x080A;
constexpr std::uint16_t kSprmCFSpec = 0x0855;
constexpr std::uint16_t kSprmCFObj = 0x0856;
constexpr std::uint16_t kSprmCIbstRMarkDel = 0x4863;
// Paragraph properties.
constexpr std::uint16_t kSprmPFInTable = 0x2416;
constexpr std::uint16_t kSprmPFTtp = 0x2417;
constexpr std::uint16_t kSprmPHugePapx = 0x6646;
constexpr std::uint16_t kSprmPItap = 0x6649;
constexpr std::uint16_t kSprmPFInnerTableCell = 0x244B;
constexpr std::uint16_t kSprmPFInnerTtp = 0x244C;
// Two properties whose operand is not sized by its first byte.
constexpr std::uint16_t kSprmTDefTable = 0xD608;
constexpr std::uint16_t kSprmTDefTable10 = 0xD606;
constexpr std::uint16_t kSprmPChgTabs = 0xC615;

constexpr std::uint64_t kPage = 512;  // formatted disk pages
constexpr std::size_t kMaxFieldNesting = 64;
constexpr std::size_t kMaxFieldCode = 64;  // enough of a field's code to tell its kind
constexpr int kMaxDrawingDepth = 16;
constexpr std::size_t kMaxObjectClasses = 1024;

// Bounds-checked little-endian reads of a stream held in memory: a read out of range gives 0.
class View {
public:
    explicit View(const Bytes& bytes) : bytes_(bytes) {}
    std::uint64_t size() const { return bytes_.size(); }
    bool Has(std::uint64_t at, std::uint64_t count) const {
        return at <= bytes_.size() && count <= bytes_.size() - at;
    }
    std::uint8_t B(std::uint64_t at) const { return Has(at, 1) ? bytes_[at] : 0; }
    std::uint16_t W(std::uint64_t at) const { return Has(at, 2) ? U16(&bytes_[at]) : 0; }
    std::uint32_t L(std::uint64_t at) const { return Has(at, 4) ? U32(&bytes_[at]) : 0; }
    const unsigned char* At(std::uint64_t at) const { return bytes_.data() + at; }

private:
    const Bytes& bytes_;
};

// Calls visit(sprm, operand, length) for each property of a Word 97 grpprl; stops at one that runs past
// the end.
template <typename Visit>
void ForEachSprm(const unsigned char* grpprl, std::size_t size, Visit visit) {
    std::size_t at = 0;
    while (at + 2 <= size) {
        const std::uint16_t sprm = U16(grpprl + at);
        at += 2;
        std::size_t length = 0;
        switch (sprm >> 13) {  // spra: the operand's size
            case 0:
            case 1:
                length = 1;
                break;
            case 2:
            case 4:
            case 5:
                length = 2;
                break;
            case 3:
                length = 4;
                break;
            case 7:
                length = 3;
                break;
            default:
                if (sprm == kSprmTDefTable || sprm == kSprmTDefTable10) {
                    // A 16-bit size that counts the rest of the operand plus one.
                    if (at + 2 > size) return;
                    length = std::size_t{U16(grpprl + at)} + 1;
                } else {
                    if (at + 1 > size) return;
                    // A tab change this long sizes itself by its content; nothing after it is needed here.
                    if (sprm == kSprmPChgTabs && grpprl[at] == 255) return;
                    length = std::size_t{grpprl[at]} + 1;
                }
        }
        if (length > size - at) return;
        visit(sprm, grpprl + at, length);
        at += length;
    }
}

// A toggle: 1 sets it, and 0x81 sets it against a style that does not.
bool On(std::uint8_t operand) {
    return operand == 1 || operand == 0x81;
}

struct CharProps {
    bool inserted = false;
    bool deleted = false;
    bool special = false;  // a character that stands for something else (a picture, an object, a note)
    bool ole = false;
    bool object = false;  // a field separator that carries an embedded object
    bool data = false;    // binary data of a form field rather than a picture
    bool symbol = false;
    std::uint32_t location = 0;  // in the Data stream, or the object's storage for an OLE object
    std::uint16_t author = 0;
    std::optional<std::uint16_t> deleter;

    void Apply(std::uint16_t sprm, const unsigned char* v, std::size_t n) {
        switch (sprm) {
            case kSprmCFRMarkDel:
                deleted = On(v[0]);
                break;
            case kSprmCFRMarkIns:
                inserted = On(v[0]);
                break;
            case kSprmCFSpec:
                special = On(v[0]);
                break;
            case kSprmCFOle2:
                ole = On(v[0]);
                break;
            case kSprmCFObj:
                object = On(v[0]);
                break;
            case kSprmCFData:
                data = On(v[0]);
                break;
            case kSprmCSymbol:
                symbol = true;
                break;
            case kSprmCPicLocation:
                if (n >= 4) location = U32(v);
                break;
            case kSprmCIbstRMark:
                author = U16(v);
                break;
            case kSprmCIbstRMarkDel:
                deleter = U16(v);
                break;
            default:
                break;
        }
    }
};

struct ParaProps {
    bool inTable = false;
    bool rowEnd = false;       // the mark that ends a row, not a paragraph
    bool innerRowEnd = false;  // the same in a nested table, where it is a paragraph mark
    std::int32_t depth = -1;   // the table depth when it is given

    void Apply(std::uint16_t sprm, const unsigned char* v, std::size_t n) {
        switch (sprm) {
            case kSprmPFInTable:
                inTable = On(v[0]);
                break;
            case kSprmPFTtp:
                rowEnd = On(v[0]);
                break;
            case kSprmPFInnerTtp:
                innerRowEnd = On(v[0]);
                break;
            case kSprmPFInnerTableCell:
                break;  // a nested cell's end is a paragraph all the same
            case kSprmPItap:
                if (n >= 4) depth = static_cast<std::int32_t>(std::min<std::uint32_t>(U32(v), 64));
                break;
            default:
                break;
        }
    }
    int Depth() const { return depth >= 0 ? depth : (inTable ? 1 : 0); }
};

// The properties that the counts depend on; a piece's own properties keep only these.
bool Counted(std::uint16_t sprm) {
    switch (sprm) {
        case kSprmCFRMarkDel:
        case kSprmCFRMarkIns:
        case kSprmCPicLocation:
        case kSprmCIbstRMark:
        case kSprmCFData:
        case kSprmCSymbol:
        case kSprmCFOle2:
        case kSprmCFSpec:
        case kSprmCFObj:
        case kSprmCIbstRMarkDel:
        case kSprmPFInTable:
        case kSprmPFTtp:
        case kSprmPItap:
        case kSprmPFInnerTtp:
            return true;
        default:
            return false;
    }
}

struct Sprm {
    std::uint16_t code;
    std::uint8_t length;
    unsigned char operand[4];
};

template <typename Props>
struct Run {
    std::uint32_t start;  // byte offsets in WordDocument
    std::uint32_t end;
    Props props;
};

template <typename Props>
const Props* FindRun(const std::vector<Run<Props>>& runs, std::uint32_t fc) {
    auto after = std::upper_bound(runs.begin(), runs.end(), fc,
                                  [](std::uint32_t at, const Run<Props>& run) { return at < run.start; });
    if (after == runs.begin()) return nullptr;
    const Run<Props>& run = *(after - 1);
    return fc < run.end ? &run.props : nullptr;
}

enum class Encoding { Utf16, Compressed, Windows1252 };

struct Piece {
    std::uint64_t cpStart;
    std::uint64_t cpEnd;
    std::uint64_t offset;  // of its first character in the text's stream
    Encoding encoding;
    std::uint16_t prm;
};

// Compressed text is Latin-1 but for these, which are the 1252 code page's.
char32_t FromCompressed(std::uint8_t byte) {
    static constexpr char32_t kHigh[32] = {
        0x80,   0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x8E,   0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x9E,   0x0178,
    };
    return byte >= 0x80 && byte < 0xA0 ? kHigh[byte - 0x80] : byte;
}

// The whole 1252 code page, for the 8-bit text of Word 2 and 6.
char32_t FromWindows1252(std::uint8_t byte) {
    switch (byte) {
        case 0x80:
            return 0x20AC;
        case 0x8E:
            return 0x017D;
        case 0x9E:
            return 0x017E;
        default:
            return FromCompressed(byte);
    }
}

void AppendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ContainsNoCase(std::string_view text, std::string_view part) {
    return std::search(text.begin(), text.end(), part.begin(), part.end(), [](char a, char b) {
               const auto lower = [](char c) {
                   return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
               };
               return lower(a) == lower(b);
           }) != text.end();
}

// The class of an embedded object names an equation editor's equation: Equation.3, Equation.DSMT4 and
// the like, as a program id or in the class's description.
bool NamesEquation(std::string_view text) {
    return ContainsNoCase(text, "equation.");
}

// A SHAPE field's result is a drawn shape placed in the line (a text box, a canvas), not a picture.
bool IsShapeField(std::string_view code) {
    while (!code.empty() && code.front() == ' ') code.remove_prefix(1);
    return code.size() >= 5 && ContainsNoCase(code.substr(0, 5), "shape") &&
           (code.size() == 5 || code[5] == ' ' || code[5] == '\\');
}

// Stretches of a story, from and to, counted from the story's start.
using Stretches = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

// The stories in the order their text follows the main story's (ccpMcr, unused since Word 97, still takes
// its place).

struct StorySpan {
    Story story;
    std::uint64_t length;
    bool read;  // false: its place is kept, its text is not a story of the fingerprint
    // Where known, the notes, comments, headers or text boxes it holds: each is read on its own (a word
    // never runs from one into the next, whether or not the writer ended it with a paragraph mark), and
    // what no page shows is left out. Unset: the story is read whole.
    std::optional<Stretches> parts = std::nullopt;
};

// How far a tracked change goes: consecutive characters of one kind by one author are one change. Their
// times are not compared: a change typed across a minute's turn is stored as two runs, and LibreOffice
// joins them again.
class RevisionRuns {
public:
    void Reset() { open_ = false; }
    // Whether this character starts a new one.
    bool Next(bool marked, std::uint16_t author) {
        const bool starts = marked && (!open_ || author != author_);
        open_ = marked;
        author_ = author;
        return starts;
    }

private:
    bool open_ = false;
    std::uint16_t author_ = 0;
};

struct Field {
    bool inCode = true;
    bool counted = false;
    bool object = false;      // its result shows an embedded object
    bool recomputed = false;  // its result is worked out afresh by whoever opens the document
    std::string code;
};

// The text of a Word document and what it holds, read from its stories one character at a time.
class DocumentReader {
public:
    DocumentReader(const Bytes& text, Fingerprint& fingerprint) : text_(text), fp_(fingerprint) {}

    std::vector<Piece> pieces;
    std::vector<StorySpan> stories;
    // The counted properties of the piece table's Prc entries, for the pieces' complex Prm: a few each, so
    // that applying them to every character of a piece costs little.
    std::vector<std::vector<Sprm>> grpprls;
    std::vector<Run<CharProps>> charRuns;
    std::vector<Run<ParaProps>> paraRuns;
    bool properties = false;  // Word 97: character and paragraph properties are read
    std::set<std::uint64_t> sectionEnds;
    // Drawn objects (0x08) of the main and header stories: their CP in their story → pictures they hold.
    std::map<std::uint64_t, std::uint32_t> mainShapes, headerShapes;
    std::uint64_t headerStart = 0;
    // The class of an OLE object from its storage in the object pool, by its number.
    std::function<bool(std::uint32_t)> objectIsEquation;

    void ReadStories() {
        std::uint64_t cp = 0;
        // Each character takes a byte at least: more of them than the stream has bytes is a lie.
        budget_ = text_.size();
        for (const StorySpan& span : stories) {
            if (span.read && span.length > 0 && !ScanSpan(span, cp)) break;
            cp += span.length;
        }
    }

private:
    // The character at cp, with its byte offset; false when the text is not there.
    bool CharAt(std::uint64_t cp, char32_t& c, std::uint32_t& fc, std::size_t& piece) {
        if (piece_ >= pieces.size() || cp < pieces[piece_].cpStart || cp >= pieces[piece_].cpEnd) {
            auto after = std::upper_bound(pieces.begin(), pieces.end(), cp,
                                          [](std::uint64_t at, const Piece& p) { return at < p.cpStart; });
            if (after == pieces.begin()) return false;
            piece_ = static_cast<std::size_t>(after - pieces.begin()) - 1;
            if (cp >= pieces[piece_].cpEnd) return false;
        }
        const Piece& p = pieces[piece_];
        piece = piece_;
        const std::uint64_t at = p.offset + (cp - p.cpStart) * (p.encoding == Encoding::Utf16 ? 2 : 1);
        const View text(text_);
        if (p.encoding == Encoding::Utf16) {
            if (!text.Has(at, 2)) return false;
            c = text.W(at);
        } else {
            if (!text.Has(at, 1)) return false;
            c = p.encoding == Encoding::Compressed ? FromCompressed(text.B(at)) : FromWindows1252(text.B(at));
        }
        fc = static_cast<std::uint32_t>(at);
        return true;
    }

    template <typename Props>
    void ApplyPrm(Props& props, std::size_t piece) const {
        const std::uint16_t prm = pieces[piece].prm;
        if (!(prm & 1)) return;  // a single property by its index: none of the ones counted here
        const std::size_t index = prm >> 1;
        if (index >= grpprls.size()) return;
        for (const Sprm& sprm : grpprls[index]) props.Apply(sprm.code, sprm.operand, sprm.length);
    }

    bool Visible() const {
        return std::none_of(fields_.begin(), fields_.end(), [](const Field& f) { return f.inCode; });
    }
    bool InRecomputedResult() const {
        return std::any_of(fields_.begin(), fields_.end(), [](const Field& f) { return f.recomputed; });
    }

    void CountField(Field& field) {
        if (field.counted) return;
        field.counted = true;
        // An embedded object is carried by an EMBED field; it is counted as an object, not as a field.
        std::string_view code = field.code;
        while (!code.empty() && code.front() == ' ') code.remove_prefix(1);
        if (code.size() >= 5 && ContainsNoCase(code.substr(0, 5), "embed")) return;
        ++fp_.fields;
    }

    // An embedded object: its storage in the object pool is named by its number; its field's code may name
    // its class too.
    void Object(const CharProps& props) {
        bool equation = objectIsEquation && objectIsEquation(props.location);
        for (const Field& f : fields_)
            if (NamesEquation(f.code)) equation = true;
        ++(equation ? fp_.equations : fp_.objects);
    }

    // A picture character (0x01): a picture, the picture of an embedded object, or form field data.
    void Picture(const CharProps& props) {
        if (!properties || !props.special) return;
        // The separator of the object's field counted it already; this is what it shows.
        if (!fields_.empty() && fields_.back().object) return;
        if (props.ole)
            Object(props);
        else if (!props.data && std::none_of(fields_.begin(), fields_.end(),
                                             [](const Field& f) { return IsShapeField(f.code); }))
            ++fp_.pictures;
    }

    void Drawing(Story story, std::uint64_t cp) {
        if (story == Story::Main) {
            auto shape = mainShapes.find(cp);
            if (shape != mainShapes.end()) fp_.pictures += shape->second;
        } else if (story == Story::HeadersFooters && cp >= headerStart) {
            auto shape = headerShapes.find(cp - headerStart);
            if (shape != headerShapes.end()) fp_.pictures += shape->second;
        }
    }

    bool ScanSpan(const StorySpan& span, std::uint64_t start) {
        if (!span.parts) return Scan(span.story, start, start + span.length);
        for (const auto& [from, to] : *span.parts)
            if (from < std::min(to, span.length) &&
                !Scan(span.story, start + from, start + std::min(to, span.length)))
                return false;
        return true;
    }

    bool Scan(Story story, std::uint64_t begin, std::uint64_t end) {
        std::string utf8;
        fields_.clear();
        std::size_t lostFields = 0;  // nested deeper than kept
        int depth = 0;
        insertions_.Reset();
        deletions_.Reset();
        char16_t highSurrogate = 0;
        bool whole = true;
        for (std::uint64_t cp = begin; cp < end; ++cp) {
            char32_t c = 0;
            std::uint32_t fc = 0;
            std::size_t piece = 0;
            if (budget_ == 0 || !CharAt(cp, c, fc, piece)) {
                whole = false;
                break;
            }
            --budget_;
            CharProps props;
            if (properties) {
                if (const CharProps* run = FindRun(charRuns, fc)) props = *run;
                ApplyPrm(props, piece);
                if (insertions_.Next(props.inserted, props.author)) ++fp_.insertions;
                if (deletions_.Next(props.deleted, props.deleter.value_or(props.author))) ++fp_.deletions;
            }
            const bool visible = Visible();

            // Paragraph and cell ends, and the section breaks that end paragraphs too.
            if (c == 0x0D || c == 0x07 || (c == 0x0C && story == Story::Main && sectionEnds.count(cp + 1))) {
                ParaProps para;
                if (properties) {
                    if (const ParaProps* run = FindRun(paraRuns, fc)) para = *run;
                    ApplyPrm(para, piece);
                    const int now = para.Depth();
                    if (now > depth) fp_.tables += static_cast<std::uint64_t>(now - depth);
                    depth = now;
                }
                // Without paragraph properties a cell's end cannot be told from a row's: cells are not
                // counted then.
                const bool paragraph = c == 0x07 ? properties && !para.rowEnd : !para.innerRowEnd;
                if (story == Story::Main && paragraph) ++fp_.paragraphs;
            }

            switch (c) {
                case 0x13:
                    if (fields_.size() < kMaxFieldNesting) {
                        fields_.emplace_back();
                    } else {
                        ++lostFields;
                        ++fp_.fields;
                    }
                    continue;
                case 0x14:
                    if (lostFields == 0 && !fields_.empty()) {
                        Field& field = fields_.back();
                        field.inCode = false;
                        field.recomputed = ResultIsRecomputed(field.code);
                        CountField(field);
                        // Some writers mark the separator of an object's field as the object.
                        if (properties && props.special && (props.object || props.ole) && !field.object) {
                            Object(props);
                            field.object = true;
                        }
                    }
                    continue;
                case 0x15:
                    if (lostFields > 0) {
                        --lostFields;
                    } else if (!fields_.empty()) {
                        CountField(fields_.back());
                        fields_.pop_back();
                    }
                    continue;
                default:
                    break;
            }
            if (!visible) {
                Field& field = fields_.back();
                if (lostFields == 0 && field.inCode && field.code.size() < kMaxFieldCode && c >= 0x20 &&
                    c < 0x80)
                    field.code += static_cast<char>(c);
                continue;
            }
            if (c >= 0xD800 && c < 0xDC00) {
                if (highSurrogate) AppendUtf8(0xFFFD, utf8);
                highSurrogate = static_cast<char16_t>(c);
                continue;
            }
            if (c >= 0xDC00 && c < 0xE000 && highSurrogate) {
                AppendUtf8(0x10000 + ((char32_t{highSurrogate} - 0xD800) << 10) + (c - 0xDC00), utf8);
                highSurrogate = 0;
                continue;
            }
            if (highSurrogate) {
                AppendUtf8(0xFFFD, utf8);
                highSurrogate = 0;
            }
            switch (c) {
                case 0x01:  // a picture or an embedded object
                    Picture(props);
                    break;
                case 0x08:  // a drawn object, anchored here
                    if (properties) Drawing(story, cp);
                    break;
                case 0x02:  // note and comment references and separators: no text, but no word goes on
                case 0x03:  // across them
                case 0x04:
                case 0x05:
                    utf8 += ' ';
                    break;
                case 0x1F:  // an optional hyphen, inside a word
                    break;
                case 0x1E:  // a non-breaking hyphen
                    AppendUtf8(0x2011, utf8);
                    break;
                default:
                    if (props.special && props.symbol) {  // a symbol font's character, not text
                        utf8 += ' ';
                        break;
                    }
                    if (c >= 0x20 && !fields_.empty() && InRecomputedResult()) break;
                    if (c < 0x20 || (c >= 0xDC00 && c < 0xE000))
                        utf8 += c == 0x0D || c == 0x07 || c == 0x0C ? '\n' : ' ';
                    else
                        AppendUtf8(c, utf8);
            }
        }
        // Fields left open at the story's end are counted all the same.
        for (Field& field : fields_) CountField(field);
        AddWords(utf8, fp_.Words(story));
        if (!whole && fp_.incomplete.empty())
            fp_.incomplete = "the text of its stories runs past what its file holds";
        return whole;
    }

    const Bytes& text_;
    Fingerprint& fp_;
    std::uint64_t budget_ = 0;
    std::size_t piece_ = 0;
    std::vector<Field> fields_;
    RevisionRuns insertions_, deletions_;
};

// A PLC's entry count from its size: n + 1 CPs of 4 bytes and n entries of `entry` bytes.
std::uint64_t PlcCount(std::uint32_t lcb, std::uint32_t entry) {
    return lcb < 4 ? 0 : (lcb - 4) / (4 + entry);
}

// Parses a piece table (the PlcPcd after the Prc entries of a Clx). False when there is none to be read.
bool ReadPieceTable(const View& table, std::uint64_t at, std::uint64_t length, bool word97,
                    DocumentReader& reader) {
    if (!table.Has(at, length)) return false;
    const std::uint64_t end = at + length;
    while (at < end) {
        const std::uint8_t kind = table.B(at);
        if (kind == 1) {  // Prc: a grpprl the pieces may refer to
            const std::uint64_t cb = table.W(at + 1);
            if (!table.Has(at + 3, cb) || at + 3 + cb > end) return false;
            std::vector<Sprm>& kept = reader.grpprls.emplace_back();
            ForEachSprm(table.At(at + 3), cb, [&](std::uint16_t code, const unsigned char* v, std::size_t n) {
                if (!Counted(code)) return;
                Sprm sprm{code, static_cast<std::uint8_t>(std::min<std::size_t>(n, 4)), {}};
                std::copy(v, v + sprm.length, sprm.operand);
                // The last of a property wins, so one of each is enough.
                auto same =
                    std::find_if(kept.begin(), kept.end(), [&](const Sprm& k) { return k.code == code; });
                if (same != kept.end())
                    *same = sprm;
                else
                    kept.push_back(sprm);
            });
            at += 3 + cb;
        } else if (kind == 2) {  // Pcdt: the PlcPcd
            const std::uint64_t lcb = table.L(at + 1);
            at += 5;
            if (lcb < 4 || at + lcb > end) return false;
            const std::uint64_t n = (lcb - 4) / 12;
            const std::uint64_t pcds = at + 4 * (n + 1);
            reader.pieces.reserve(n);
            for (std::uint64_t i = 0; i < n; ++i) {
                const std::uint64_t cpStart = table.L(at + 4 * i), cpEnd = table.L(at + 4 * (i + 1));
                // Pieces follow one another; one that does not is where the table stops making sense.
                if (cpEnd < cpStart || (!reader.pieces.empty() && cpStart != reader.pieces.back().cpEnd))
                    break;
                const std::uint32_t fc = table.L(pcds + 8 * i + 2);
                Piece piece{cpStart, cpEnd, fc & 0x3FFFFFFF, Encoding::Utf16, table.W(pcds + 8 * i + 6)};
                if (!word97) {
                    piece.offset = fc;
                    piece.encoding = Encoding::Windows1252;
                } else if (fc & 0x40000000) {
                    piece.offset /= 2;
                    piece.encoding = Encoding::Compressed;
                }
                reader.pieces.push_back(piece);
            }
            return !reader.pieces.empty() && reader.pieces.front().cpStart == 0;
        } else {
            return false;
        }
    }
    return false;
}

// The runs of a bin table's formatted disk pages in WordDocument (character runs, or paragraph runs).
template <typename Props, typename Parse>
std::vector<Run<Props>> ReadPages(const View& table, std::uint32_t fc, std::uint32_t lcb,
                                  const View& document, Parse parse) {
    std::vector<Run<Props>> runs;
    const std::uint64_t n = PlcCount(lcb, 4);
    if (!table.Has(fc, lcb)) return runs;
    std::set<std::uint32_t> seen;  // a page named twice is read once, so runs stay bounded by the stream
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint32_t pn = table.L(fc + 4 * (n + 1) + 4 * i) & 0x3FFFFF;
        const std::uint64_t page = std::uint64_t{pn} * kPage;
        if (!seen.insert(pn).second || !document.Has(page, kPage)) continue;
        const std::uint8_t crun = document.B(page + kPage - 1);
        for (std::uint8_t r = 0; r < crun; ++r) {
            Run<Props> run{document.L(page + 4 * r), document.L(page + 4 * (r + 1)), {}};
            if (4 * (std::uint64_t{crun} + 1) > kPage - 1) break;
            if (!parse(page, crun, r, run.props)) continue;
            if (run.start < run.end) runs.push_back(run);
        }
    }
    std::sort(runs.begin(), runs.end(), [](const auto& a, const auto& b) { return a.start < b.start; });
    return runs;
}

// The OfficeArt drawings: for each shape id, the pictures it holds (a picture, or a group's pictures).
class Drawings {
public:
    explicit Drawings(const View& table) : table_(table) {}

    // The drawing of the main document (0) or of the headers (1), from the OfficeArtContent at fc.
    std::map<std::uint32_t, std::uint32_t> Read(std::uint32_t fc, std::uint32_t lcb, std::uint8_t which) {
        pictures_.clear();
        if (!table_.Has(fc, lcb) || lcb < 8) return pictures_;
        const std::uint64_t end = std::uint64_t{fc} + lcb;
        // The drawing group comes first, then each drawing after a byte that says whose it is.
        std::uint64_t at = fc + 8 + std::uint64_t{table_.L(fc + 4)};
        while (at + 9 <= end) {
            const std::uint8_t owner = table_.B(at);
            const std::uint64_t length = table_.L(at + 5);
            const std::uint64_t body = at + 9;
            if (length > end - body) break;
            if (owner == which && table_.W(at + 3) == 0xF002) Walk(body, body + length, 0);
            at = body + length;
        }
        return pictures_;
    }

private:
    // The pictures of the shapes between at and end, each shape's own recorded by its id. In a group's
    // container the first shape is the group itself, which is given the pictures of its members.
    std::uint32_t Walk(std::uint64_t at, std::uint64_t end, int depth, bool group = false) {
        std::uint32_t total = 0;
        std::optional<std::uint32_t> groupId;
        while (depth < kMaxDrawingDepth && at + 8 <= end) {
            const std::uint16_t type = table_.W(at + 2);
            const std::uint64_t length = table_.L(at + 4);
            const std::uint64_t body = at + 8;
            if (length > end - body) break;
            if (type == 0xF003) {
                total += Walk(body, body + length, depth + 1, true);
            } else if (type == 0xF004) {
                std::uint32_t id = 0;
                bool picture = false;
                Shape(body, body + length, id, picture);
                if (group && !groupId) {
                    groupId = id;
                } else {
                    pictures_[id] = picture ? 1 : 0;
                    total += picture ? 1 : 0;
                }
            } else if ((table_.W(at) & 0x000F) == 0x000F) {  // another container
                total += Walk(body, body + length, depth + 1);
            }
            at = body + length;
        }
        if (groupId) pictures_[*groupId] = total;
        return total;
    }

    // A shape's id (OfficeArtFSP) and whether it shows a picture (the pib property of its OfficeArtFOPT).
    void Shape(std::uint64_t at, std::uint64_t end, std::uint32_t& id, bool& picture) {
        while (at + 8 <= end) {
            const std::uint16_t header = table_.W(at);
            const std::uint16_t type = table_.W(at + 2);
            const std::uint64_t length = table_.L(at + 4);
            const std::uint64_t body = at + 8;
            if (length > end - body) break;
            if (type == 0xF00A && length >= 4) {
                id = table_.L(body);
            } else if (type == 0xF00B) {
                const std::uint64_t count = header >> 4;
                for (std::uint64_t i = 0; i < count && 6 * (i + 1) <= length; ++i)
                    if ((table_.W(body + 6 * i) & 0x3FFF) == 0x0104) picture = true;
            }
            at = body + length;
        }
    }

    const View& table_;
    std::map<std::uint32_t, std::uint32_t> pictures_;
};

// The drawn objects anchored in a story: CP → the pictures of the shape there (PlcfSpa: FSPAs of 26 bytes).
std::map<std::uint64_t, std::uint32_t> AnchoredShapes(
    const View& table, std::uint32_t fc, std::uint32_t lcb,
    const std::map<std::uint32_t, std::uint32_t>& pictures) {
    std::map<std::uint64_t, std::uint32_t> shapes;
    if (!table.Has(fc, lcb)) return shapes;
    const std::uint64_t n = PlcCount(lcb, 26);
    for (std::uint64_t i = 0; i < n; ++i) {
        const std::uint32_t spid = table.L(fc + 4 * (n + 1) + 26 * i);
        auto found = pictures.find(spid);
        if (found != pictures.end() && found->second > 0) shapes[table.L(fc + 4 * i)] = found->second;
    }
    return shapes;
}

// The FIB's fc/lcb pairs, each pair's place given by its index in the Word 97 order.
struct FcLcb {
    std::uint32_t fc = 0;
    std::uint32_t lcb = 0;
};
constexpr int kPlcffndRef = 2;
constexpr int kPlcffndTxt = 3;
constexpr int kPlcfandRef = 4;
constexpr int kPlcfandTxt = 5;
constexpr int kPlcfSed = 6;
constexpr int kPlcfHdd = 11;
constexpr int kPlcfBteChpx = 12;
constexpr int kPlcfBtePapx = 13;
constexpr int kDop = 31;
constexpr int kClx = 33;
constexpr int kPlcSpaMom = 40;
constexpr int kPlcSpaHdr = 41;
constexpr int kPlcfendRef = 46;
constexpr int kPlcfendTxt = 47;
constexpr int kDggInfo = 50;
constexpr int kPlcftxbxTxt = 56;
constexpr int kPlcfHdrtxbxTxt = 58;
constexpr std::uint16_t kSprmSFTitlePage = 0x300A;
// In the headers' story: the separators of notes come first, then six stories for each section.
constexpr std::uint64_t kNoteSeparators = 6;
enum HeaderSlot { EvenHeader, OddHeader, EvenFooter, OddFooter, FirstHeader, FirstFooter, kSlots };

// The CPs of a PLC whose entries are `entry` bytes each, when they never fall; empty otherwise. The last
// may lie past the story's end (the headers' does), which reading stops at.
std::vector<std::uint64_t> PlcPositions(const View& table, std::uint32_t fc, std::uint32_t lcb,
                                        std::uint32_t entry) {
    if (!table.Has(fc, lcb)) return {};
    const std::uint64_t count = lcb < 4 ? 0 : (lcb - 4) / (4 + entry) + 1;
    std::vector<std::uint64_t> positions;
    positions.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t cp = table.L(fc + 4 * i);
        if (!positions.empty() && cp < positions.back()) return {};
        positions.push_back(cp);
    }
    return positions;
}

// Each entry of a PLC of the story's parts, as stretches.
std::optional<Stretches> PartsOf(const View& table, std::uint32_t fc, std::uint32_t lcb,
                                 std::uint32_t entry) {
    const std::vector<std::uint64_t> at = PlcPositions(table, fc, lcb, entry);
    if (at.size() < 2) return std::nullopt;
    Stretches parts;
    for (std::size_t i = 0; i + 1 < at.size(); ++i) parts.emplace_back(at[i], at[i + 1]);
    return parts;
}

std::vector<StorySpan> StoriesOf(const std::uint32_t ccp[8]) {
    return {
        {Story::Main, ccp[0], true},           {Story::Footnotes, ccp[1], true},
        {Story::HeadersFooters, ccp[2], true}, {Story::Main, ccp[3], false},  // macros
        {Story::Comments, ccp[4], true},       {Story::Endnotes, ccp[5], true},
        {Story::TextBoxes, ccp[6], true},      {Story::TextBoxes, ccp[7], true},  // the headers' text boxes
    };
}

bool ReadWord97(CompoundFile& file, const Bytes& bytes, Fingerprint& fp, std::string& why) {
    const View document(bytes);
    // FibBase, then FibRgW97 (csw 16-bit values), FibRgLw97 (cslw 32-bit values), FibRgFcLcb (pairs).
    std::uint64_t at = 32;
    const std::uint16_t csw = document.W(at);
    at += 2 + 2 * std::uint64_t{csw};
    const std::uint16_t cslw = document.W(at);
    const std::uint64_t rgLw = at + 2;
    at = rgLw + 4 * std::uint64_t{cslw};
    const std::uint16_t cbRgFcLcb = document.W(at);
    const std::uint64_t rgFcLcb = at + 2;
    if (cslw < 11 || !document.Has(rgLw, 4 * 11) || !document.Has(rgFcLcb, 8 * std::uint64_t{cbRgFcLcb})) {
        why = "its file information block is cut off";
        return false;
    }
    const auto pair = [&](int index) {
        if (index >= cbRgFcLcb) return FcLcb{};
        return FcLcb{document.L(rgFcLcb + 8 * index), document.L(rgFcLcb + 8 * index + 4)};
    };
    std::uint32_t ccp[8];
    for (int i = 0; i < 8; ++i) ccp[i] = document.L(rgLw + 4 * (3 + i));

    const char* tableName = document.W(10) & kWhichTableStream ? "1table" : "0table";
    const CompoundEntry* tableEntry = file.Child(file.Root(), tableName);
    Bytes tableBytes;
    if (!tableEntry || !file.Read(*tableEntry, tableBytes)) {
        why = "its table stream is missing or cut off";
        return false;
    }
    const View table(tableBytes);

    DocumentReader reader(bytes, fp);
    const FcLcb clx = pair(kClx);
    if (!ReadPieceTable(table, clx.fc, clx.lcb, true, reader)) {
        why = "its piece table cannot be read";
        return false;
    }
    reader.stories = StoriesOf(ccp);
    reader.properties = true;

    const FcLcb bteChpx = pair(kPlcfBteChpx);
    reader.charRuns = ReadPages<CharProps>(
        table, bteChpx.fc, bteChpx.lcb, document,
        [&](std::uint64_t page, std::uint8_t crun, std::uint8_t r, CharProps& props) {
            const std::uint64_t offset = 2 * std::uint64_t{document.B(page + 4 * (crun + 1) + r)};
            if (offset == 0) return true;  // no properties of its own
            const std::uint64_t cb = document.B(page + offset);
            if (offset + 1 + cb > kPage - 1) return false;
            ForEachSprm(
                document.At(page + offset + 1), cb,
                [&](std::uint16_t sprm, const unsigned char* v, std::size_t n) { props.Apply(sprm, v, n); });
            return true;
        });

    Bytes dataBytes;
    bool dataRead = false;
    // Each paragraph's own stretch of Data: all of them together are no longer than the stream, and runs
    // that claim more would make the walk as long as the claims.
    std::uint64_t hugeBudget = 0;
    const FcLcb btePapx = pair(kPlcfBtePapx);
    reader.paraRuns = ReadPages<ParaProps>(
        table, btePapx.fc, btePapx.lcb, document,
        [&](std::uint64_t page, std::uint8_t crun, std::uint8_t r, ParaProps& props) {
            // rgbx: 13 bytes each, the first the PapxInFkp's offset in words.
            const std::uint64_t offset = 2 * std::uint64_t{document.B(page + 4 * (crun + 1) + 13 * r)};
            if (offset == 0 || 4 * (crun + 1) + 13 * std::uint64_t{crun} > kPage - 1) return false;
            std::uint64_t start = page + offset + 1;
            std::uint64_t length = document.B(page + offset);
            length = length == 0 ? 2 * std::uint64_t{document.B(start++)} : 2 * length - 1;
            if (start + length > page + kPage - 1 || length < 2) return false;
            const auto apply = [&](std::uint16_t sprm, const unsigned char* v, std::size_t n) {
                if (sprm == kSprmPHugePapx && n >= 4) {
                    // The properties are too many for the page: they are in the Data stream.
                    if (!dataRead) {
                        dataRead = true;
                        const CompoundEntry* data = file.Child(file.Root(), "data");
                        if (!data || !file.Read(*data, dataBytes)) dataBytes.clear();
                        hugeBudget = dataBytes.size();
                    }
                    const View dataView(dataBytes);
                    const std::uint64_t where = U32(v);
                    const std::uint64_t cb = dataView.W(where);
                    if (!dataView.Has(where + 2, cb) || cb > hugeBudget) return;
                    hugeBudget -= cb;
                    ForEachSprm(dataView.At(where + 2), cb,
                                [&](std::uint16_t s, const unsigned char* o, std::size_t m) {
                                    if (s != kSprmPHugePapx) props.Apply(s, o, m);
                                });
                    return;
                }
                props.Apply(sprm, v, n);
            };
            ForEachSprm(document.At(start + 2), length - 2, apply);  // after the style's index
            return true;
        });

    const FcLcb sed = pair(kPlcfSed);
    std::vector<bool> titlePages;  // for each section, whether its first page has headers of its own
    if (table.Has(sed.fc, sed.lcb)) {
        const std::uint64_t sections = PlcCount(sed.lcb, 12);
        for (std::uint64_t i = 1; i < sections; ++i) reader.sectionEnds.insert(table.L(sed.fc + 4 * i));
        for (std::uint64_t i = 0; i < sections; ++i) {
            const std::uint32_t sepx = table.L(sed.fc + 4 * (sections + 1) + 12 * i + 2);
            bool title = false;
            if (sepx != 0xFFFFFFFF && document.Has(sepx, 2) && document.Has(sepx + 2, document.W(sepx)))
                ForEachSprm(document.At(sepx + 2), document.W(sepx),
                            [&](std::uint16_t sprm, const unsigned char* v, std::size_t n) {
                                if (sprm == kSprmSFTitlePage && n >= 1) title = v[0] != 0;
                            });
            titlePages.push_back(title);
        }
    }

    // Each note, comment and text box apart; of the headers and footers, those that some page shows.
    const auto parts = [&](int index, std::uint32_t entry, std::size_t story) {
        const FcLcb plc = pair(index);
        reader.stories[story].parts = PartsOf(table, plc.fc, plc.lcb, entry);
    };
    parts(kPlcffndTxt, 0, 1);
    parts(kPlcfandTxt, 0, 4);
    parts(kPlcfendTxt, 0, 5);
    parts(kPlcftxbxTxt, 22, 6);
    parts(kPlcfHdrtxbxTxt, 22, 7);
    const FcLcb dop = pair(kDop);
    const bool evenPages = table.Has(dop.fc, 1) && (table.B(dop.fc) & 1);  // fFacingPages
    const FcLcb hdd = pair(kPlcfHdd);
    const std::vector<std::uint64_t> hddAt = PlcPositions(table, hdd.fc, hdd.lcb, 0);
    if (hddAt.size() >= 2) {
        Stretches shown;
        for (std::uint64_t i = kNoteSeparators; i + 1 < hddAt.size(); ++i) {
            const std::uint64_t section = (i - kNoteSeparators) / kSlots;
            const auto slot = static_cast<HeaderSlot>((i - kNoteSeparators) % kSlots);
            const bool first = slot == FirstHeader || slot == FirstFooter;
            const bool even = slot == EvenHeader || slot == EvenFooter;
            if ((first && !(section < titlePages.size() && titlePages[section])) || (even && !evenPages))
                continue;
            shown.emplace_back(hddAt[i], hddAt[i + 1]);
        }
        reader.stories[2].parts = std::move(shown);
    }

    const FcLcb dgg = pair(kDggInfo);
    Drawings drawings(table);
    const FcLcb spaMom = pair(kPlcSpaMom), spaHdr = pair(kPlcSpaHdr);
    reader.mainShapes = AnchoredShapes(table, spaMom.fc, spaMom.lcb, drawings.Read(dgg.fc, dgg.lcb, 0));
    reader.headerShapes = AnchoredShapes(table, spaHdr.fc, spaHdr.lcb, drawings.Read(dgg.fc, dgg.lcb, 1));
    reader.headerStart = std::uint64_t{ccp[0]} + ccp[1];

    const CompoundEntry* pool = file.Child(file.Root(), "objectpool");
    std::map<std::uint32_t, bool> classes;
    reader.objectIsEquation = [&](std::uint32_t number) {
        auto known = classes.find(number);
        if (known != classes.end()) return known->second;
        // Each look-up walks a storage's tree: a file naming countless objects gets a bounded number of them.
        if (!pool || classes.size() >= kMaxObjectClasses) return false;
        bool& equation = classes[number];
        const CompoundEntry* object = file.Child(*pool, "_" + std::to_string(number));
        const CompoundEntry* compObj = object ? file.Child(*object,
                                                           "\x01"
                                                           "compobj")
                                              : nullptr;
        Bytes classBytes;
        // The class's description and program id are short; a larger stream is not one to trust.
        if (compObj && compObj->size <= 4096 && file.Read(*compObj, classBytes))
            equation = NamesEquation(
                std::string_view(reinterpret_cast<const char*>(classBytes.data()), classBytes.size()));
        return equation;
    };

    const FcLcb fndRef = pair(kPlcffndRef), endRef = pair(kPlcfendRef), andRef = pair(kPlcfandRef);
    if (table.Has(fndRef.fc, fndRef.lcb)) fp.footnotes = PlcCount(fndRef.lcb, 2);
    if (table.Has(endRef.fc, endRef.lcb)) fp.endnotes = PlcCount(endRef.lcb, 2);
    if (table.Has(andRef.fc, andRef.lcb)) fp.comments = PlcCount(andRef.lcb, 30);  // ATRDPre10

    reader.ReadStories();
    return true;
}

// Word 6 and 95: the text and its stories from their own FIB, through their piece table when the file was
// saved fast. Their properties use other codes; what depends on them is not read.
bool ReadWord6(const Bytes& bytes, Fingerprint& fp, std::string& why) {
    const View document(bytes);
    if (!document.Has(0, 0x168)) {
        why = "its file information block is cut off";
        return false;
    }
    std::uint32_t ccp[8];
    for (int i = 0; i < 8; ++i) ccp[i] = document.L(0x34 + 4 * i);
    DocumentReader reader(bytes, fp);
    if (document.W(10) & kComplex) {
        if (!ReadPieceTable(document, document.L(0x160), document.L(0x164), false, reader)) {
            why = "its piece table cannot be read";
            return false;
        }
    } else {
        const std::uint32_t fcMin = document.L(0x18), fcMac = document.L(0x1C);
        reader.pieces.push_back({0, fcMac > fcMin ? fcMac - fcMin : 0, fcMin, Encoding::Windows1252, 0});
    }
    reader.stories = StoriesOf(ccp);
    // PlcffndRef's entries are 2 bytes, as in Word 97.
    if (document.Has(document.L(0x68), document.L(0x6C))) fp.footnotes = PlcCount(document.L(0x6C), 2);
    reader.ReadStories();
    if (fp.incomplete.empty())
        fp.incomplete =
            "a Word 6/95 document: only its words, paragraphs outside tables, fields and footnotes are read";
    return true;
}

// Word 2: no compound file; the text lies at fcMin, main story first, then footnotes, headers, macros and
// annotations.
bool ReadWord2(const Bytes& bytes, Fingerprint& fp, std::string& why) {
    const View document(bytes);
    if (!document.Has(0, 0x48)) {
        why = "its file information block is cut off";
        return false;
    }
    const std::uint16_t flags = document.W(10);
    if (flags & kEncrypted) {
        why = "encrypted";
        return false;
    }
    if (flags & kComplex) {
        why = "a fast-saved Word 2 document, whose piece table is not read";
        return false;
    }
    const std::uint32_t fcMin = document.L(0x18), fcMac = document.L(0x1C);
    DocumentReader reader(bytes, fp);
    reader.pieces.push_back({0, fcMac > fcMin ? fcMac - fcMin : 0, fcMin, Encoding::Windows1252, 0});
    const std::uint32_t ccp[8] = {
        document.L(0x34), document.L(0x38), document.L(0x3C), document.L(0x40), document.L(0x44), 0, 0, 0};
    reader.stories = StoriesOf(ccp);
    reader.ReadStories();
    if (fp.incomplete.empty())
        fp.incomplete = "a Word 2 document: only its words, paragraphs outside tables and fields are read";
    return true;
}

}  // namespace

bool ReadWordBinary(int fd, std::uint64_t size, Fingerprint& fingerprint, std::string& why) {
    fingerprint = {};
    why.clear();
    unsigned char magic[8];
    if (size < sizeof magic || !ReadAt(fd, 0, magic, sizeof magic)) {
        why = "not a Word document";
        return false;
    }
    if (U16(magic) == kWord2Ident) {
        Bytes whole(size);
        if (!ReadAt(fd, 0, whole.data(), whole.size())) {
            why = "the file cannot be read";
            return false;
        }
        return ReadWord2(whole, fingerprint, why);
    }
    static constexpr unsigned char kCompoundMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (!std::equal(magic, magic + 8, kCompoundMagic)) {
        why = "not a Word document";
        return false;
    }
    CompoundFile file(fd, size);
    if (file.Open() != CompoundFile::Opened::Ok) {
        why = "a damaged or truncated compound file";
        return false;
    }
    const CompoundEntry* entry = file.Child(file.Root(), "worddocument");
    if (!entry) {
        why = "a compound file without a Word document in it";
        return false;
    }
    Bytes document;
    if (!file.Read(*entry, document)) {
        why = "its WordDocument stream is cut off";
        return false;
    }
    const View fib(document);
    if (!fib.Has(0, 34) || fib.W(0) != kWordIdent) {
        why = "its WordDocument stream is not a Word document";
        return false;
    }
    if (fib.W(10) & kEncrypted) {
        why = "encrypted";
        return false;
    }
    if (fib.W(2) < kFirstWord97Fib) return ReadWord6(document, fingerprint, why);
    return ReadWord97(file, document, fingerprint, why);
}

}  // namespace larkspan::zuv0
