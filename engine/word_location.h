#pragma once
// Finds Word through the InstallRoot keys that Office 9.0 to 12.0 leave in the machine hive.

#include <string>
#include <string_view>

#include "platform/registry.h"

namespace larkspan {

// 4, 3, 2, 1 for Office 12.0, 11.0, 10.0, 9.0 (the first key that opens decides); 0 when none opens.
// wordFolder becomes that key's "Path" value, or empty.
int FindWordInstallation(std::string& wordFolder);

// The value's text, or empty when the key or the value is missing or too long.
std::string ReadRegistryString(registry::Root root, std::string_view subKey, std::string_view valueName);

}  // namespace larkspan
