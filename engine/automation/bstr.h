#pragma once
// Text arguments: automation strings are UTF-16; our paths and texts are UTF-8.

#include <string_view>

#include "engine/automation/variant.h"

namespace larkspan::automation {

// Clears the variant and makes it a VT_BSTR holding the text in UTF-16. When the string cannot be
// allocated the variant becomes VT_ERROR with E_OUTOFMEMORY. Text that is not well-formed UTF-8 has no
// UTF-16 form (a Linux file name may be any bytes): the variant becomes VT_ERROR with E_INVALIDARG rather
// than a mangled name that could open or overwrite some other file.
void MakeBstrVariant(Variant& variant, std::string_view text);

}  // namespace larkspan::automation
