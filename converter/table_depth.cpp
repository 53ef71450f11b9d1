#include "table_depth.h"

#include <string_view>

namespace larkspan::zuv0 {

namespace {

// Enough for '/' and a qualified name such as "w:tbl"; longer names are no table.
constexpr std::size_t kLongestTag = 64;

bool EndsName(unsigned char c) {
    return c == '>' || c == '/' || c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

void TableDepth::Feed(const unsigned char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        if (c == '<') {
            inTag_ = true;
            tag_.clear();
            continue;
        }
        if (!inTag_) continue;
        // A closing tag's slash comes first; any other slash, or a space, ends the name.
        if (EndsName(c) && !(c == '/' && tag_.empty())) {
            inTag_ = false;
            // "<w:tbl/>" opens and closes at once.
            if (!(c == '/' && tag_.front() != '/')) Tag(tag_);
            continue;
        }
        if (tag_.size() < kLongestTag) tag_ += static_cast<char>(c);
    }
}

void TableDepth::Tag(const std::string& tag) {
    const bool closing = !tag.empty() && tag.front() == '/';
    std::string_view name(tag);
    if (closing) name.remove_prefix(1);
    // The prefix may be any; the local name is what counts.
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    if (name != "tbl") return;
    if (closing) {
        if (depth_ > 0) --depth_;
    } else if (++depth_ > deepest_) {
        deepest_ = depth_;
    }
}

}  // namespace larkspan::zuv0
