#pragma once
// Readable test failure output for variants.

#include <iosfwd>

#include "engine/automation/variant.h"

namespace larkspan::automation {

void PrintTo(const Variant& value, std::ostream* out);

}  // namespace larkspan::automation
