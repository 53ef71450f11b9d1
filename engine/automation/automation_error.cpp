#include "engine/automation/automation_error.h"

#include <cstdio>

namespace larkspan::automation {
namespace {

std::string Message(HResult code, const std::string& description) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(code));
    return description.empty() ? std::string("automation error ") + hex : description + " (" + hex + ")";
}

}  // namespace

AutomationError::AutomationError(HResult code, const std::string& description)
    : std::runtime_error(Message(code, description)), code_(code), description_(description) {}

}  // namespace larkspan::automation
