#pragma once
// An automation object: members are reached by number (DISPID) as a method call, a property get or a
// property put.

#include <cstdint>
#include <span>

#include "engine/automation/variant.h"

namespace larkspan::automation {

using DispId = std::int32_t;

enum class InvokeKind { Method, PropertyGet, PropertyPut };

class Dispatch {
public:
    // Reference counting as automation objects do it: the object decides what happens at zero.
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

    // args are in the member's parameter order, first parameter first (nothing here needs the reversed
    // order of a marshalled call). A failure is thrown as AutomationError; a member without a result
    // returns VT_EMPTY.
    virtual Variant Invoke(DispId member, InvokeKind kind, std::span<const Variant> args) = 0;

protected:
    // Only Release ends an object's life.
    ~Dispatch() = default;
};

}  // namespace larkspan::automation
