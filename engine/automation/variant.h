#pragma once
// An automation argument or result: the few variant types Word's members take here, with the type codes
// automation uses for them.

#include <cstdint>
#include <string>

#include "engine/automation/dispatch_ref.h"
#include "engine/automation/hresult.h"

namespace larkspan::automation {

using VarType = std::uint16_t;
inline constexpr VarType VT_EMPTY = 0;
inline constexpr VarType VT_I2 = 2;
inline constexpr VarType VT_I4 = 3;
inline constexpr VarType VT_BSTR = 8;
inline constexpr VarType VT_DISPATCH = 9;
inline constexpr VarType VT_ERROR = 10;
inline constexpr VarType VT_BOOL = 11;
inline constexpr VarType VT_VARIANT = 12;
inline constexpr VarType VT_BYREF = 0x4000;

using VariantBool = std::int16_t;
inline constexpr VariantBool VARIANT_TRUE = -1;
inline constexpr VariantBool VARIANT_FALSE = 0;

class Variant {
public:
    Variant() = default;  // VT_EMPTY
    static Variant Error(HResult code);
    static Variant I2(std::int16_t value);
    static Variant I4(std::int32_t value);
    static Variant Bool(bool value);
    static Variant Bstr(std::u16string text);
    static Variant Object(DispatchRef object);
    // VT_BYREF | VT_VARIANT: the argument is the caller's variant itself, which must outlive the call.
    static Variant Ref(Variant* target);

    Variant(const Variant& other) = default;  // a VT_DISPATCH copy takes its own reference
    Variant& operator=(const Variant& other) = default;
    Variant(Variant&& other) noexcept;
    Variant& operator=(Variant&& other) noexcept;
    ~Variant() = default;

    VarType type() const { return type_; }
    bool IsByRef() const { return (type_ & VT_BYREF) != 0; }

    // Each accessor throws AutomationError(DISP_E_TYPEMISMATCH) when the variant holds another type.
    HResult error() const;
    std::int16_t i2() const;
    std::int32_t i4() const;
    VariantBool boolValue() const;
    const std::u16string& bstr() const;
    Dispatch* dispatch() const;
    Variant* ref() const;
    // Moves the held reference out, leaving VT_EMPTY.
    DispatchRef TakeDispatch();

    // Back to VT_EMPTY, giving up a held object reference. A by-reference variant leaves its target alone.
    void Clear();

    // Same type and value; objects and by-reference targets compare by identity.
    friend bool operator==(const Variant& a, const Variant& b);

private:
    void Expect(VarType type) const;

    VarType type_ = VT_EMPTY;
    std::int32_t number_ = 0;  // VT_ERROR, VT_I2, VT_I4, VT_BOOL
    std::u16string text_;
    DispatchRef object_;
    Variant* target_ = nullptr;
};

}  // namespace larkspan::automation
