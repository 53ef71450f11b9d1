#pragma once
// How deep a Word part nests its tables, read from its XML as it streams by.
//
// LibreOffice's time to lay out nested tables grows far faster than their depth: 100 levels take it about
// 10 s, 300 levels more than 100 s, and a few thousand would hold an engine until the time bound. No
// document nests tables that deep, so a package that does is refused before LibreOffice sees it.

#include <cstddef>
#include <string>

namespace larkspan::zuv0 {

// More levels of tables inside tables than any document has.
inline constexpr int kTableDepthLimit = 64;

class TableDepth {
public:
    // The next bytes of the part; a tag may be split between two calls.
    void Feed(const unsigned char* bytes, std::size_t count);
    int deepest() const { return deepest_; }

private:
    void Tag(const std::string& tag);

    bool inTag_ = false;
    std::string tag_;  // the tag being read, up to the end of its name
    int depth_ = 0;
    int deepest_ = 0;
};

}  // namespace larkspan::zuv0
