#pragma once
// The program registered for ".htm" pages under HKEY_CLASSES_ROOT: the fallback that opens a web page when
// the desktop cannot.

#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/registry.h"

namespace larkspan {

// The default value of root\subKey into value (empty when the key has none, or one too long to read).
// An error, and value untouched, when the key does not exist.
[[nodiscard]] std::error_code ReadKeyDefaultValue(registry::Root root, std::string_view subKey,
                                                  std::string& value);

struct HtmCommand {
    // The registered command cut before its placeholder "%1" (or "\"%1\""), then one space and the address.
    std::string commandLine;
    // The words the program is started with: the cut command's words, then the address as one word.
    std::vector<std::string> arguments;
    // Why there is no command; empty when there is one.
    std::string error;
};

// The ".htm" type's "shell\open\command" with address in it.
HtmCommand HtmProgramCommand(std::string_view address);

}  // namespace larkspan
