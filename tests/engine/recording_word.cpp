#include "tests/engine/recording_word.h"

#include "engine/automation/automation_error.h"
#include "engine/automation/provider_registry.h"

namespace larkspan::enginetest {

using namespace automation;

std::uint32_t FakeObject::AddRef() {
    return static_cast<std::uint32_t>(++references_);
}

std::uint32_t FakeObject::Release() {
    if (references_ == 0) {
        word_.problems.push_back(name_ + " released below zero");
        return 0;
    }
    return static_cast<std::uint32_t>(--references_);
}

Variant FakeObject::Invoke(DispId member, InvokeKind kind, std::span<const Variant> args) {
    if (references_ == 0) word_.problems.push_back(name_ + " called with no reference held");
    RecordedCall call{name_, member, kind, {}, word_.documents.references() + word_.document.references()};
    for (const Variant& arg : args) {
        if (arg.type() == (VT_BYREF | VT_VARIANT))
            call.args.push_back({true, *arg.ref()});
        else
            call.args.push_back({false, arg});
    }
    word_.calls.push_back(std::move(call));
    return word_.Answer(name_, member, kind);
}

RecordingWord::RecordingWord() {
    RegisterProvider("Word.Application", [this] {
        ++created;
        application.AddRef();
        return DispatchRef::Adopt(&application);
    });
}

RecordingWord::~RecordingWord() {
    UnregisterProvider("Word.Application");
}

std::vector<RecordedCall> RecordingWord::CallsTo(const std::string& object, DispId member) const {
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : calls)
        if (call.object == object && call.member == member) found.push_back(call);
    return found;
}

Variant RecordingWord::Answer(const std::string& object, DispId member, InvokeKind kind) {
    if (failOn_ && failOn_->object == object && failOn_->member == member) {
        failOn_.reset();
        throw AutomationError(DISP_E_EXCEPTION,
                              "Word refused " + object + " member " + std::to_string(member));
    }
    // Only the members Word has with the call kinds it accepts; anything else fails as Word would.
    if (object == "Application") {
        if (member == 23 && kind == InvokeKind::PropertyPut) return {};
        if (member == 6 && kind == InvokeKind::PropertyGet)
            return Variant::Object(DispatchRef::Share(&documents));
        if (member == 1105 && kind == InvokeKind::Method) return {};
    } else if (object == "Documents") {
        if (member == 19 && kind == InvokeKind::Method) return Variant::Object(DispatchRef::Share(&document));
    } else if (object == "Document") {
        if ((member == 376 || member == 1105) && kind == InvokeKind::Method) return {};
    }
    throw AutomationError(DISP_E_MEMBERNOTFOUND, "no member " + std::to_string(member) + " on " + object);
}

}  // namespace larkspan::enginetest
