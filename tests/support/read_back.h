#pragma once
// The text of a converted document as an independent reader sees it, never LibreOffice: pandoc for .docx,
// catdoc for anything else (notes and comments included).

#include <filesystem>
#include <string>

namespace larkspan::test {

enum class Reading {
    Markdown,  // pandoc's Markdown, which also shows headings, bold and italic, footnotes, and (read with
               // --track-changes=all) tracked changes and comments on a range
    Plain,     // pandoc's plain text: the words alone
};

// Throws when the reader fails.
std::string ReadBack(const std::filesystem::path& document, Reading reading = Reading::Markdown);

}  // namespace larkspan::test
