#pragma once
// What a conversion lost, said in words a person understands: the source's fingerprint against the
// converted file's. Only losses are said, and only those the readers are sure of: what a conversion
// changes without losing anything (a field's result brought up to date, list numbers that are not stored
// as text, a page break that became a section break, paragraphs split or joined) is not counted at all, and
// small differences in the words (hyphens, a character set's quirks) are let pass.

#include <string>
#include <vector>

#include "fingerprint.h"

namespace larkspan::zuv0 {

// "2 of 5 comments lost", "the equation was dropped", "3 % of the main text's words are missing",
// "tracked changes were accepted"; empty when nothing was lost, or when either reader could not read its
// file whole (then nothing can be told for sure).
std::vector<std::string> Losses(const Fingerprint& source, const Fingerprint& converted);

// The counts of a fingerprint as a JSON object, for the report: {"words":N,"paragraphs":N,...}.
std::string CountsJson(const Fingerprint& fingerprint);

}  // namespace larkspan::zuv0
