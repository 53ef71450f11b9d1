#pragma once
// A stand-in for Word registered under "Word.Application": it records every call with its arguments as
// they arrive, counts references per object, answers the members the converter uses, and can be told to
// fail one of them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/automation/dispatch.h"
#include "engine/automation/variant.h"
#include "tests/engine/variant_printer.h"

namespace larkspan::enginetest {

using automation::DispId;
using automation::InvokeKind;
using automation::Variant;

class RecordingWord;

struct RecordedArgument {
    bool byReference = false;
    Variant value;  // for a by-reference argument, the variant it points to, as it was during the call
};

struct RecordedCall {
    std::string object;
    DispId member = 0;
    InvokeKind kind = InvokeKind::Method;
    std::vector<RecordedArgument> args;
    int documentReferences = 0;  // held on Documents and Document together when the call arrived
};

class FakeObject final : public automation::Dispatch {
public:
    FakeObject(RecordingWord& word, std::string name) : word_(word), name_(std::move(name)) {}
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;
    Variant Invoke(DispId member, InvokeKind kind, std::span<const Variant> args) override;

    int references() const { return references_; }

private:
    RecordingWord& word_;
    std::string name_;
    int references_ = 0;
};

class RecordingWord {
public:
    RecordingWord();   // registers the provider
    ~RecordingWord();  // and removes it
    RecordingWord(const RecordingWord&) = delete;
    RecordingWord& operator=(const RecordingWord&) = delete;

    // The next call to this member of this object throws an AutomationError.
    void FailOn(std::string object, DispId member) { failOn_ = Target{std::move(object), member}; }

    // Calls made to the object, in order.
    std::vector<RecordedCall> CallsTo(const std::string& object, DispId member) const;

    FakeObject application{*this, "Application"};
    FakeObject documents{*this, "Documents"};
    FakeObject document{*this, "Document"};
    std::vector<RecordedCall> calls;
    std::vector<std::string> problems;  // misuse seen: calls after release, releases below zero
    int created = 0;

private:
    friend class FakeObject;
    struct Target {
        std::string object;
        DispId member;
    };
    Variant Answer(const std::string& object, DispId member, InvokeKind kind);

    std::optional<Target> failOn_;
};

}  // namespace larkspan::enginetest
