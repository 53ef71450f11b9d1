#pragma once
// What a document holds, as our own readers see it and never LibreOffice (a loss made while LibreOffice
// reads a file would otherwise go unseen): the words of each story, and the counts of what a conversion may
// drop. The source's and the converted file's fingerprints are compared before the new file takes its
// target's place.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::zuv0 {

enum class Story {
    Main,
    HeadersFooters,
    Footnotes,
    Endnotes,
    Comments,
    TextBoxes,
};
inline constexpr std::size_t kStories = 6;

struct Fingerprint {
    // Each story's words, in document order (see AddWords).
    std::array<std::vector<std::string>, kStories> words;
    std::uint64_t paragraphs = 0;  // of the main story, table cells' included
    std::uint64_t tables = 0;      // outermost and nested alike
    std::uint64_t pictures = 0;    // images placed in the text or floating
    std::uint64_t objects = 0;     // embedded objects other than equations
    std::uint64_t equations = 0;   // equations, as objects or native: a converter may make one the other
    std::uint64_t comments = 0;
    std::uint64_t footnotes = 0;
    std::uint64_t endnotes = 0;
    std::uint64_t insertions = 0;  // tracked insertions (runs marked as inserted)
    std::uint64_t deletions = 0;   // tracked deletions
    std::uint64_t fields = 0;      // field codes (simple and complex)
    // What the reader could not read, if anything: the counts it gives are then only as far as it got,
    // and a comparison must not take what is missing for a loss.
    std::string incomplete;

    std::vector<std::string>& Words(Story story) { return words[static_cast<std::size_t>(story)]; }
    const std::vector<std::string>& Words(Story story) const {
        return words[static_cast<std::size_t>(story)];
    }
};

// Appends the words of utf8 to words: the runs of letters and digits, ASCII letters in lower case. Any
// character outside ASCII counts as a letter except spaces and punctuation (no-break space, the quotes,
// dashes, bullets and ellipsis of General Punctuation, the ideographic space). Both readers cut their text
// with this one function, so that the same text gives the same words whatever format it came from.
void AddWords(std::string_view utf8, std::vector<std::string>& words);

// Whether a field with this code (its instructions, such as " PAGE \\* Arabic ") shows a result that a
// converter works out afresh rather than keeping: page numbers and counts, dates, the document's properties,
// numbering and references to text elsewhere. Both readers leave such results out of the words, so that a
// result brought up to date is not taken for a loss.
bool ResultIsRecomputed(std::string_view code);

}  // namespace larkspan::zuv0
