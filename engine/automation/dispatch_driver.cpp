#include "engine/automation/dispatch_driver.h"

#include <string>

#include "engine/automation/automation_error.h"
#include "engine/automation/provider_registry.h"

namespace larkspan::automation {

bool DispatchDriver::CreateDispatch(std::string_view progId, HResult* failure) {
    object_.Reset();
    DispatchRef created;
    HResult code = CreateObject(progId, created);
    if (failure) *failure = code;
    if (Failed(code)) return false;
    object_ = std::move(created);
    return true;
}

Variant DispatchDriver::Invoke(DispId member, InvokeKind kind, VarType resultType,
                               std::span<const Variant> args) {
    if (!object_)
        throw AutomationError(E_POINTER, "no automation object for member " + std::to_string(member));
    Variant result = object_->Invoke(member, kind, args);
    if (resultType == VT_EMPTY) return {};
    if (result.type() != resultType)
        throw AutomationError(DISP_E_TYPEMISMATCH, "member " + std::to_string(member) + " returned type " +
                                                       std::to_string(result.type()) + ", expected " +
                                                       std::to_string(resultType));
    return result;
}

}  // namespace larkspan::automation
