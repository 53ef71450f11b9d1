#include "resources/string_table.h"

#include <array>
#include <utility>

#include "larkspan_version.h"
#include "resources/resource_ids.h"

namespace larkspan::resources {
namespace {

constexpr std::array<std::pair<int, std::string_view>, 3> kStrings{{
    {ids::kStrAboutItem, "&About Larkspan..."},
    {ids::kStrVersion, LARKSPAN_VERSION},
    {ids::kStrAppTitle, "Larkspan"},
}};

}  // namespace

std::string_view LoadString(int id) {
    for (const auto& [key, text] : kStrings)
        if (key == id) return text;
    return {};
}

}  // namespace larkspan::resources
