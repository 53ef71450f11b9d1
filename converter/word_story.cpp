#include "word_story.h"

#include <algorithm>
#include <array>

namespace larkspan::zuv0 {

namespace {

// No document nests its elements this deep; past it a part is read no further.
constexpr std::size_t kDepthLimit = 4096;
// A paragraph's text is cut into words once it is this long, up to the last place no word runs across; a
// word longer than the second is cut at that length from its start, which does not depend on how the part
// came in, so the same text always gives the same words. No paragraph is held whole.
constexpr std::size_t kFlushAt = std::size_t(16) << 10;
constexpr std::size_t kForceAt = std::size_t(64) << 10;
// Paragraphs in text boxes in paragraphs...: a few levels in any document.
constexpr std::size_t kContainerLimit = 256;
// Fields nest a few deep in any document; their code is told by its first word.
constexpr std::size_t kFieldLimit = 4096;
constexpr std::size_t kFieldCodeLimit = 64;
// The headers and footers of ten thousand sections.
constexpr std::size_t kReferenceLimit = 65536;

// Elements that hold the place of one character that is no part of a word.
// (An optional hyphen is not one: it stands inside a word.)
constexpr std::array<std::string_view, 15> kSeparators{
    "tab",
    "br",
    "cr",
    "ptab",
    "sym",
    "noBreakHyphen",
    "pgNum",
    "footnoteReference",
    "endnoteReference",
    "commentReference",
    "footnoteRef",
    "endnoteRef",
    "annotationRef",
    "separator",
    "continuationSeparator",
};

bool IsSeparator(std::string_view local) {
    return std::find(kSeparators.begin(), kSeparators.end(), local) != kSeparators.end();
}

// The notes Word puts before the real ones: the line above the notes, and its continuation.
bool IsSeparatorNote(std::string_view type) {
    return type == "separator" || type == "continuationSeparator" || type == "continuationNotice";
}

// Microsoft Equation 3.0 and MathType, the equation editors whose objects documents carry.
bool IsEquation(std::string_view progId) {
    return progId.starts_with("Equation.");
}

bool IsAsciiSeparator(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
}

}  // namespace

std::string WordLimitReason() {
    return "holds more than " + std::to_string(kWordLimit) + " words, or " +
           std::to_string(kWordBytesLimit >> 20) + " MiB of them";
}

WordStoryReader::WordStoryReader(Fingerprint& fingerprint, Story story, std::uint64_t& wordBytes)
    : fingerprint_(fingerprint), partStory_(story), wordBytes_(wordBytes) {
    containers_.push_back({story, {}, 0});
}

void WordStoryReader::Start(const XmlName& name, const XmlAttributes& attributes) {
    if (skipping_ > 0) {
        ++skipping_;
        return;
    }
    if (open_.empty() && !rootSeen_) {
        rootSeen_ = true;
        document_ = name.Is(Namespace::Word, "document");
    }
    if (open_.size() >= kDepthLimit) {
        Stop("nests its elements more than " + std::to_string(kDepthLimit) + " deep");
        return;
    }
    const Element parent = open_.empty() ? Element::Other : open_.back();
    Element kind = Element::Other;
    switch (name.ns) {
        case Namespace::Word:
            if (!StartWord(name.local, attributes, parent, kind)) {
                skipping_ = 1;
                return;
            }
            break;
        case Namespace::Math:
            if (name.local == "oMath" || name.local == "oMathPara") {
                kind = Element::Math;
                if (math_++ == 0) {
                    ++fingerprint_.equations;
                    Separate();
                }
            } else if (name.local.ends_with("Pr")) {
                kind = Element::Properties;
            }
            break;
        case Namespace::Drawing:
            if (name.local == "graphicData" && objects_ == 0 &&
                attributes.Get(Namespace::None, "uri").ends_with("/drawingml/2006/chart")) {
                // A chart is an embedded object, whether a converter writes it as one or as a drawing.
                ++fingerprint_.objects;
            }
            break;
        case Namespace::Picture:
            if (name.local == "pic") MarkPicture();
            break;
        case Namespace::Vml:
            if (name.local == "imagedata") MarkPicture();
            break;
        case Namespace::Office:
            if (name.local == "OLEObject") StartOleObject(attributes);
            break;
        case Namespace::Compatibility:
            if (name.local == "AlternateContent") {
                kind = Element::Alternate;
                alternates_.push_back(false);
            } else if (parent == Element::Alternate && (name.local == "Choice" || name.local == "Fallback")) {
                const bool take =
                    !alternates_.back() &&
                    (name.local == "Fallback" || Understood(attributes.Get(Namespace::None, "Requires")));
                if (!take) {
                    skipping_ = 1;
                    return;
                }
                alternates_.back() = true;
            }
            break;
        default:
            break;
    }
    open_.push_back(kind);
}

bool WordStoryReader::StartWord(std::string_view local, const XmlAttributes& attributes, Element parent,
                                Element& kind) {
    if ((local == "p" || local == "txbxContent") && containers_.size() > kContainerLimit) {
        Stop("nests paragraphs more than " + std::to_string(kContainerLimit) + " deep");
        return false;
    }
    if (local == "p") {
        tableJustEnded_ = false;
        kind = Element::Paragraph;
        if (story() == Story::Main) ++fingerprint_.paragraphs;
        containers_.push_back({story(), {}, 0});
    } else if (local == "t" || local == "delText") {
        kind = Element::Text;
    } else if (local == "tbl") {
        // Tables with no paragraph between them are one table, as a binary file can only hold them.
        if (!tableJustEnded_) ++fingerprint_.tables;
        kind = Element::Table;
    } else if (IsSeparator(local)) {
        Separate();
    } else if (local == "txbxContent") {
        kind = Element::TextBox;
        Separate();
        ++textBoxes_;
        containers_.push_back({Story::TextBoxes, {}, 0});
    } else if (local == "drawing" || local == "pict" || local == "object") {
        kind = Element::Graphic;
        Separate();
        if (local == "object") {
            ++objects_;
            ++fingerprint_.objects;
        }
        graphics_.push_back({local == "drawing" ? Graphic::Drawing
                             : local == "pict"  ? Graphic::Pict
                                                : Graphic::Object});
    } else if (local == "fldSimple") {
        ++fingerprint_.fields;
        kind = Element::SimpleField;
        simpleFields_.push_back(ResultIsRecomputed(attributes.Get(Namespace::Word, "instr")));
    } else if (local == "instrText" || local == "delInstrText") {
        kind = Element::Instructions;
    } else if (local == "fldChar") {
        const std::string_view type = attributes.Get(Namespace::Word, "fldCharType");
        if (type == "begin") {
            ++fingerprint_.fields;
            if (fields_.size() >= kFieldLimit) {
                Stop("nests fields more than " + std::to_string(kFieldLimit) + " deep");
                return false;
            }
            fields_.emplace_back();
            ++instructions_;
        } else if (type == "separate" && !fields_.empty() && !fields_.back().result) {
            fields_.back().result = true;
            fields_.back().recomputed = ResultIsRecomputed(fields_.back().code);
            --instructions_;
        } else if (type == "end" && !fields_.empty()) {
            if (!fields_.back().result) --instructions_;
            fields_.pop_back();
        }
    } else if (local == "ins" || local == "del") {
        if (parent != Element::Properties)
            ++(local == "ins" ? fingerprint_.insertions : fingerprint_.deletions);
    } else if (local == "headerReference" || local == "footerReference") {
        if (partStory_ != Story::Main) return true;
        if (references_.size() >= kReferenceLimit) {
            referencesCut_ = true;
            return true;
        }
        references_.push_back({section_, local == "footerReference",
                               std::string(attributes.Get(Namespace::Word, "type")),
                               std::string(attributes.Get(Namespace::Relationships, "id"))});
    } else if (local == "titlePg") {
        if (partStory_ == Story::Main && SwitchedOn(attributes.Get(Namespace::Word, "val")))
            titlePages_.push_back(section_);
    } else if ((local == "footnote" && partStory_ == Story::Footnotes) ||
               (local == "endnote" && partStory_ == Story::Endnotes)) {
        if (IsSeparatorNote(attributes.Get(Namespace::Word, "type"))) return false;
        ++(local == "footnote" ? fingerprint_.footnotes : fingerprint_.endnotes);
    } else if (local == "comment" && partStory_ == Story::Comments) {
        ++fingerprint_.comments;
    } else if (local.ends_with("Pr")) {
        kind = Element::Properties;
    }
    return true;
}

void WordStoryReader::StartOleObject(const XmlAttributes& attributes) {
    // Inside w:object it is that object; alone (in w:pict, as older files have it) it is one of its own.
    if (objects_ == 0) ++fingerprint_.objects;
    if (!graphics_.empty()) graphics_.back().ole = true;
    // An equation is counted as one, whether an object or not: the object counted for it is taken back.
    if (IsEquation(attributes.Get(Namespace::None, "ProgID"))) {
        ++fingerprint_.equations;
        if (fingerprint_.objects > 0) --fingerprint_.objects;
    }
}

void WordStoryReader::End(const XmlName& name) {
    if (skipping_ > 0) {
        --skipping_;
        return;
    }
    if (open_.empty()) return;
    const Element kind = open_.back();
    open_.pop_back();
    switch (kind) {
        case Element::Paragraph:
        case Element::TextBox:
            Flush(containers_.back(), true);
            containers_.pop_back();
            if (kind == Element::TextBox) --textBoxes_;
            break;
        case Element::Graphic: {
            const Graphic graphic = graphics_.back();
            graphics_.pop_back();
            if (graphic.kind == Graphic::Object)
                --objects_;
            else if (!graphic.ole && objects_ == 0)
                fingerprint_.pictures += graphic.pictures;
            break;
        }
        case Element::Math:
            --math_;
            break;
        case Element::Alternate:
            alternates_.pop_back();
            break;
        case Element::SimpleField:
            simpleFields_.pop_back();
            break;
        case Element::Table:
            tableJustEnded_ = true;
            break;
        default:
            if (name.Is(Namespace::Word, "sectPr")) ++section_;
            break;
    }
}

void WordStoryReader::Text(std::string_view text) {
    if (skipping_ > 0 || open_.empty()) return;
    if (open_.back() == Element::Instructions) {
        // The innermost field still in its instructions is the one they belong to.
        if (!fields_.empty() && !fields_.back().result && fields_.back().code.size() < kFieldCodeLimit)
            fields_.back().code.append(text.substr(0, kFieldCodeLimit - fields_.back().code.size()));
        return;
    }
    if (open_.back() != Element::Text || instructions_ > 0 || math_ > 0 || InRecomputedResult()) return;
    Append(text);
}

bool WordStoryReader::InRecomputedResult() const {
    return std::any_of(fields_.begin(), fields_.end(), [](const Field& f) { return f.recomputed; }) ||
           std::find(simpleFields_.begin(), simpleFields_.end(), true) != simpleFields_.end();
}

void WordStoryReader::Append(std::string_view text) {
    Container& container = containers_.back();
    container.text.append(text);
    if (container.text.size() > kFlushAt) Flush(container, false);
}

void WordStoryReader::Finish() {
    while (!containers_.empty()) {
        Flush(containers_.back(), true);
        containers_.pop_back();
    }
}

bool WordStoryReader::Understood(std::string_view prefixes) const {
    for (std::size_t at = 0; at < prefixes.size();) {
        const std::size_t end = std::min(prefixes.find_first_of(" \t\r\n", at), prefixes.size());
        if (end > at) {
            const Namespace ns = PrefixNamespace(prefixes.substr(at, end - at));
            if (ns == Namespace::Other || ns == Namespace::None) return false;
        }
        at = end + 1;
    }
    return true;
}

void WordStoryReader::Separate() {
    if (!containers_.empty()) Append(" ");
}

void WordStoryReader::MarkPicture() {
    if (!graphics_.empty()) ++graphics_.back().pictures;
}

void WordStoryReader::Flush(Container& container, bool all) {
    std::string& text = container.text;
    std::size_t cut = text.size();
    if (!all) {
        // Only what came since the last look can hold a new place to cut: the rest is one word's start.
        std::size_t at = text.size();
        while (at > container.scanned && !IsAsciiSeparator(text[at - 1])) --at;
        if (at > container.scanned) {
            cut = at;
        } else if (text.size() >= kForceAt) {
            cut = kForceAt;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        } else {
            container.scanned = text.size();
            return;
        }
    }
    std::vector<std::string>& words = fingerprint_.Words(container.story);
    const std::size_t before = words.size();
    AddWords(std::string_view(text).substr(0, cut), words);
    for (std::size_t i = before; i < words.size(); ++i) wordBytes_ += words[i].size();
    text.erase(0, cut);
    // What is left holds no place to cut (or is a word's start past kForceAt, cut again below).
    container.scanned = text.size();
    if (!all && text.size() >= kForceAt) Flush(container, false);

    std::uint64_t count = 0;
    for (const std::vector<std::string>& story : fingerprint_.words) count += story.size();
    if (count > kWordLimit || wordBytes_ > kWordBytesLimit) Stop(WordLimitReason());
}

bool SwitchedOn(std::string_view value) {
    return value != "0" && value != "false" && value != "off";
}

}  // namespace larkspan::zuv0
