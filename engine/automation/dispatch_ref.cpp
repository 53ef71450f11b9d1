#include "engine/automation/dispatch_ref.h"

#include "engine/automation/dispatch.h"

namespace larkspan::automation {

DispatchRef DispatchRef::Share(Dispatch* object) {
    if (object) object->AddRef();
    return DispatchRef(object);
}

DispatchRef::DispatchRef(const DispatchRef& other) : object_(other.object_) {
    if (object_) object_->AddRef();
}

DispatchRef& DispatchRef::operator=(const DispatchRef& other) {
    // Take the new reference before giving up the old one: both may be the last of the same object.
    if (other.object_) other.object_->AddRef();
    Reset();
    object_ = other.object_;
    return *this;
}

DispatchRef& DispatchRef::operator=(DispatchRef&& other) noexcept {
    if (this != &other) {
        Reset();
        object_ = std::exchange(other.object_, nullptr);
    }
    return *this;
}

void DispatchRef::Reset() {
    if (Dispatch* object = std::exchange(object_, nullptr)) object->Release();
}

}  // namespace larkspan::automation
