#pragma once
// The reader of one WordprocessingML part (the main document, a header or footer, the notes, the comments)
// into a fingerprint; word_package_reader.cpp finds the parts and reads them in turn.
//
// What a story holds:
// - Text: w:t and w:delText (deleted text still counts: the binary reader keeps it too), cut into words per
//   paragraph. Tabs, breaks, symbols, note and comment marks and the anchors of drawings and objects stand
//   between words, as the characters that hold their place in a binary file do; an optional hyphen stands
//   inside a word. Field instructions are no text, nor is anything between a field's begin and its
//   separator; its result is, unless it is one that is worked out afresh (ResultIsRecomputed). Equations
//   are counted,
//   their text is not words: converted, an equation becomes an object whose text no reader sees.
// - Text boxes (w:txbxContent, in any story) are a story of their own and not also of the one around them.
// - Markup compatibility: of an mc:AlternateContent, the first mc:Choice whose namespaces are all known is
//   read, else the mc:Fallback, never both; a text box or picture that Word writes twice counts once.
// Counts are of every story but paragraphs, which are the main story's alone (table cells' included):
// - pictures: each pic:pic in a w:drawing and each v:imagedata in a w:pict (a group's each), but not the
//   face of an OLE object nor a shape's picture fill; tables: w:tbl, but one right after another with no
//   paragraph between is the same table; objects: w:object, o:OLEObject outside one and charts, but not
//   equations; equations: m:oMathPara, m:oMath outside one, and OLE objects whose ProgID is an equation
//   editor's (Equation.3, Equation.DSMT4...);
// - insertions and deletions: w:ins and w:del around content, not those in properties that mark a paragraph
//   mark or a table row; fields: w:fldSimple and each w:fldChar that begins one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fingerprint.h"
#include "word_package_reader.h"
#include "xml_part.h"

namespace larkspan::zuv0 {

// Why a package was read no further once its words passed kWordLimit or kWordBytesLimit.
std::string WordLimitReason();

// A header or footer that a section of the main part names (w:headerReference, w:footerReference).
struct HeaderFooterReference {
    std::uint64_t section = 0;
    bool footer = false;
    std::string type;  // even, default or first
    std::string id;    // the relationship's id
};

// A WordprocessingML switch's w:val: on unless it says otherwise, and when it is left out.
bool SwitchedOn(std::string_view value);

class WordStoryReader : public XmlPartReader {
public:
    // `wordBytes` counts the bytes of the fingerprint's words, across the parts of one package.
    WordStoryReader(Fingerprint& fingerprint, Story story, std::uint64_t& wordBytes);

    // Gives the words of whatever text a part that ended early left open. Call after Read.
    void Finish();
    // Whether the part's root element is w:document, as a main part's is.
    bool document() const { return document_; }
    const std::vector<HeaderFooterReference>& references() const { return references_; }
    // More headers and footers were named than are kept.
    bool referencesCut() const { return referencesCut_; }
    // The sections (numbered as in references) whose first page has headers and footers of its own.
    const std::vector<std::uint64_t>& titlePages() const { return titlePages_; }

protected:
    void Start(const XmlName& name, const XmlAttributes& attributes) override;
    void End(const XmlName& name) override;
    void Text(std::string_view text) override;

private:
    enum class Element : unsigned char {
        Other,
        Properties,  // w:rPr, w:pPr, w:trPr...: a w:ins or w:del there marks a mark or a row, not text
        Paragraph,
        Text,
        TextBox,
        Graphic,  // w:drawing, w:pict, w:object
        Math,
        Alternate,
        Instructions,  // w:instrText: a complex field's code
        SimpleField,   // w:fldSimple, its code in an attribute and its result within
        Table,
    };
    struct Graphic {
        enum Kind : unsigned char { Drawing, Pict, Object } kind;
        std::uint32_t pictures = 0;  // the images it holds: one, or a group's
        bool ole = false;            // holds an OLE object, whose image is only its face
    };
    struct Container {
        Story story;
        std::string text;         // not yet cut into words
        std::size_t scanned = 0;  // how far text was looked through for a place to cut
    };

    Story story() const { return textBoxes_ > 0 ? Story::TextBoxes : partStory_; }
    // False when the element is to be read no further (a separator note).
    bool StartWord(std::string_view local, const XmlAttributes& attributes, Element parent, Element& kind);
    void StartOleObject(const XmlAttributes& attributes);
    bool Understood(std::string_view prefixes) const;
    // Text of the innermost paragraph or text box.
    void Append(std::string_view text);
    // A character that is no part of a word.
    void Separate();
    // Gives the words of `text` (all of it, or up to the last place a word cannot run across) to the story.
    void Flush(Container& container, bool all);
    void MarkPicture();

    Fingerprint& fingerprint_;
    const Story partStory_;
    std::uint64_t& wordBytes_;
    bool rootSeen_ = false;
    bool document_ = false;
    std::vector<Element> open_;
    std::uint64_t skipping_ = 0;         // the depth inside a subtree read no further
    std::vector<Container> containers_;  // the open paragraphs and text boxes, the part's own level first
    std::vector<Graphic> graphics_;
    std::vector<bool> alternates_;  // for each open mc:AlternateContent, whether a branch was taken
    struct Field {
        bool result = false;      // its result has begun
        bool recomputed = false;  // and is one that whoever opens the document works out afresh
        std::string code;         // as much of its instructions as tells its kind
    };
    // Inside a result that is left out of the words (see ResultIsRecomputed).
    bool InRecomputedResult() const;

    std::vector<Field> fields_;       // the open complex fields
    std::vector<bool> simpleFields_;  // the open simple fields: whether each result is recomputed
    std::uint64_t instructions_ = 0;  // open fields still in their instructions
    std::uint64_t textBoxes_ = 0;
    std::uint64_t math_ = 0;
    std::uint64_t objects_ = 0;
    std::uint64_t section_ = 0;
    std::vector<HeaderFooterReference> references_;
    bool referencesCut_ = false;
    std::vector<std::uint64_t> titlePages_;
    bool tableJustEnded_ = false;  // and no paragraph began since
};

}  // namespace larkspan::zuv0
