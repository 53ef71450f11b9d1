#include "engine/automation/variant.h"

#include <utility>

#include "engine/automation/automation_error.h"

namespace larkspan::automation {

Variant Variant::Error(HResult code) {
    Variant v;
    v.type_ = VT_ERROR;
    v.number_ = code;
    return v;
}

Variant Variant::I2(std::int16_t value) {
    Variant v;
    v.type_ = VT_I2;
    v.number_ = value;
    return v;
}

Variant Variant::I4(std::int32_t value) {
    Variant v;
    v.type_ = VT_I4;
    v.number_ = value;
    return v;
}

Variant Variant::Bool(bool value) {
    Variant v;
    v.type_ = VT_BOOL;
    v.number_ = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

Variant Variant::Bstr(std::u16string text) {
    Variant v;
    v.type_ = VT_BSTR;
    v.text_ = std::move(text);
    return v;
}

Variant Variant::Object(DispatchRef object) {
    Variant v;
    v.type_ = VT_DISPATCH;
    v.object_ = std::move(object);
    return v;
}

Variant Variant::Ref(Variant* target) {
    Variant v;
    v.type_ = VT_BYREF | VT_VARIANT;
    v.target_ = target;
    return v;
}

Variant::Variant(Variant&& other) noexcept
    : type_(std::exchange(other.type_, VT_EMPTY)),
      number_(std::exchange(other.number_, 0)),
      text_(std::move(other.text_)),
      object_(std::move(other.object_)),
      target_(std::exchange(other.target_, nullptr)) {
    other.text_.clear();
}

Variant& Variant::operator=(Variant&& other) noexcept {
    if (this != &other) {
        type_ = std::exchange(other.type_, VT_EMPTY);
        number_ = std::exchange(other.number_, 0);
        text_ = std::move(other.text_);
        other.text_.clear();
        object_ = std::move(other.object_);
        target_ = std::exchange(other.target_, nullptr);
    }
    return *this;
}

void Variant::Expect(VarType type) const {
    if (type_ != type) throw AutomationError(DISP_E_TYPEMISMATCH, "variant type mismatch");
}

HResult Variant::error() const {
    Expect(VT_ERROR);
    return number_;
}

std::int16_t Variant::i2() const {
    Expect(VT_I2);
    return static_cast<std::int16_t>(number_);
}

std::int32_t Variant::i4() const {
    Expect(VT_I4);
    return number_;
}

VariantBool Variant::boolValue() const {
    Expect(VT_BOOL);
    return static_cast<VariantBool>(number_);
}

const std::u16string& Variant::bstr() const {
    Expect(VT_BSTR);
    return text_;
}

Dispatch* Variant::dispatch() const {
    Expect(VT_DISPATCH);
    return object_.get();
}

Variant* Variant::ref() const {
    Expect(VT_BYREF | VT_VARIANT);
    return target_;
}

DispatchRef Variant::TakeDispatch() {
    Expect(VT_DISPATCH);
    DispatchRef object = std::move(object_);
    Clear();
    return object;
}

void Variant::Clear() {
    type_ = VT_EMPTY;
    number_ = 0;
    text_.clear();
    object_.Reset();
    target_ = nullptr;
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type_ != b.type_) return false;
    switch (a.type_) {
        case VT_EMPTY:
            return true;
        case VT_BSTR:
            return a.text_ == b.text_;
        case VT_DISPATCH:
            return a.object_.get() == b.object_.get();
        case VT_BYREF | VT_VARIANT:
            return a.target_ == b.target_;
        default:
            return a.number_ == b.number_;
    }
}

}  // namespace larkspan::automation
