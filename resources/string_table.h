#pragma once
#include <string_view>

namespace larkspan::resources {

// The string of the given id; empty when the table has none, as a failed string load reads.
std::string_view LoadString(int id);

}  // namespace larkspan::resources
