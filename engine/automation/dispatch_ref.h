#pragma once
// One counted reference to a dispatch object: taken on copy, given back on destruction or Reset.

#include <utility>

namespace larkspan::automation {

class Dispatch;

class DispatchRef {
public:
    DispatchRef() = default;
    // Adopts a reference the caller already holds (a factory's fresh object, say); no AddRef.
    static DispatchRef Adopt(Dispatch* object) { return DispatchRef(object); }
    // Takes a new reference of its own.
    static DispatchRef Share(Dispatch* object);

    DispatchRef(const DispatchRef& other);
    DispatchRef& operator=(const DispatchRef& other);
    DispatchRef(DispatchRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    DispatchRef& operator=(DispatchRef&& other) noexcept;
    ~DispatchRef() { Reset(); }

    void Reset();
    // Hands the reference to the caller, who must release it.
    Dispatch* Detach() { return std::exchange(object_, nullptr); }

    Dispatch* get() const { return object_; }
    Dispatch* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    explicit DispatchRef(Dispatch* object) : object_(object) {}
    Dispatch* object_ = nullptr;
};

}  // namespace larkspan::automation
