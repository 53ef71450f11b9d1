#pragma once
// The client side of one automation object: owns one reference to it and calls its members by DISPID
// with typed parameters.

#include <array>
#include <string_view>
#include <utility>

#include "engine/automation/dispatch.h"
#include "engine/automation/dispatch_ref.h"
#include "engine/automation/hresult.h"
#include "engine/automation/variant.h"

namespace larkspan::automation {

// How a parameter goes to the callee: bool as VT_BOOL, Variant* by reference (VT_BYREF | VT_VARIANT),
// a Variant by value. Anything else does not compile, so that a string literal cannot become a VT_BOOL.
inline Variant ToArgument(bool value) {
    return Variant::Bool(value);
}
inline Variant ToArgument(Variant* target) {
    return Variant::Ref(target);
}
inline Variant ToArgument(const Variant& value) {
    return value;
}
template <typename T>
Variant ToArgument(T) = delete;

class DispatchDriver {
public:
    DispatchDriver() = default;
    explicit DispatchDriver(DispatchRef object) : object_(std::move(object)) {}
    DispatchDriver(const DispatchDriver&) = delete;
    DispatchDriver& operator=(const DispatchDriver&) = delete;
    DispatchDriver(DispatchDriver&&) = default;
    DispatchDriver& operator=(DispatchDriver&&) = default;
    ~DispatchDriver() = default;  // the reference goes with the driver

    // Creates the object registered under the ProgID, releasing any held before. On failure returns false
    // and, when asked, the reason.
    bool CreateDispatch(std::string_view progId, HResult* failure = nullptr);
    // Takes over the reference (as from a VT_DISPATCH result), releasing any held before.
    void AttachDispatch(DispatchRef object) { object_ = std::move(object); }
    void Release() { object_.Reset(); }

    Dispatch* get() const { return object_.get(); }

    // Calls the member. With resultType VT_EMPTY the result is discarded; otherwise the result must have
    // that type. Failures, including calling with no object attached, throw AutomationError.
    template <typename... Params>
    Variant InvokeHelper(DispId member, InvokeKind kind, VarType resultType, Params&&... params) {
        std::array<Variant, sizeof...(Params)> args{ToArgument(std::forward<Params>(params))...};
        return Invoke(member, kind, resultType, args);
    }

private:
    Variant Invoke(DispId member, InvokeKind kind, VarType resultType, std::span<const Variant> args);

    DispatchRef object_;
};

}  // namespace larkspan::automation
