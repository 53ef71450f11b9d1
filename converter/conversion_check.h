#pragma once
// The check of one conversion: the source and the converted file read by our own readers (never
// LibreOffice), their fingerprints compared, and what went missing said in words.

#include <filesystem>
#include <string>
#include <vector>

#include "content_sniff.h"

namespace larkspan::zuv0 {

struct ConversionCheck {
    std::vector<std::string> losses;  // empty when nothing was lost, or nothing could be told
    std::string json;  // {"source":{...},"converted":{...},"losses":[...]} or {"unchecked":"why"}
};

// source holds the document as it was checked before the engine loaded it (its content kind is known),
// converted the engine's output in format ("doc", "docx", ...). A format without a reader of ours, or a file
// a reader cannot read, is left unchecked, and says why.
ConversionCheck CheckConversion(const std::filesystem::path& source, ContentKind sourceKind,
                                const std::filesystem::path& converted, const std::string& format);

// The losses as one line, "; " between them.
std::string JoinLosses(const std::vector<std::string>& losses);

}  // namespace larkspan::zuv0
