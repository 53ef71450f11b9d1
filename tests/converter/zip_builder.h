#pragma once
// Zip packages made byte by byte in a test: Word documents with whatever parts, sizes and lies a test needs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::zuv0::testing {

struct ZipEntry {
    std::string name;
    // The part is head, then `unit` `count` times, then tail: a part of hundreds of megabytes is never held
    // whole in memory.
    std::string head;
    std::string unit = {};
    std::size_t count = 0;
    std::string tail = {};
    bool deflate = true;
    // The inflated size written in the headers, when it is to be a lie.
    std::optional<std::uint64_t> declaredSize = std::nullopt;
};

std::string BuildZip(const std::vector<ZipEntry>& entries);

// The parts of a minimal Word document around `body` (the children of w:body), with the namespaces a Word
// document uses declared. `doctype` goes between the XML declaration and the root; `relationships` are
// added to the document's own.
std::vector<ZipEntry> WordParts(std::string_view body, std::string_view doctype = {},
                                std::string_view relationships = {});

// The start and end of word/document.xml as WordParts writes them.
std::string DocumentHead(std::string_view doctype = {});
inline constexpr std::string_view kDocumentTail = "</w:body></w:document>";

}  // namespace larkspan::zuv0::testing
