#pragma once
// How a failed automation call reaches the caller: as an exception carrying the callee's code and its
// description, so that a call sequence reads straight and fails as a whole.

#include <stdexcept>
#include <string>

#include "engine/automation/hresult.h"

namespace larkspan::automation {

class AutomationError : public std::runtime_error {
public:
    AutomationError(HResult code, const std::string& description);

    HResult code() const { return code_; }
    const std::string& description() const { return description_; }

private:
    HResult code_;
    std::string description_;
};

}  // namespace larkspan::automation
