#include <gtest/gtest.h>

#include <thread>

#include "engine/automation/automation_error.h"
#include "engine/automation/bstr.h"
#include "engine/automation/dispatch_driver.h"
#include "engine/automation/provider_registry.h"
#include "engine/automation/thread_init.h"
#include "tests/engine/variant_printer.h"

namespace larkspan::automation {
namespace {

// An object that counts its references and returns whatever it is told to, recording the arguments.
class CountingObject final : public Dispatch {
public:
    std::uint32_t AddRef() override { return static_cast<std::uint32_t>(++references); }
    std::uint32_t Release() override { return static_cast<std::uint32_t>(--references); }
    Variant Invoke(DispId member, InvokeKind kind, std::span<const Variant> args) override {
        lastMember = member;
        lastKind = kind;
        lastArgs.assign(args.begin(), args.end());
        return answer;
    }

    int references = 0;
    DispId lastMember = -1;
    InvokeKind lastKind = InvokeKind::Method;
    std::vector<Variant> lastArgs;
    Variant answer;
};

constexpr const char* kProgId = "Larkspan.Test";

class AutomationLayerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(InitializeThread()); }
    void TearDown() override {
        UnregisterProvider(kProgId);
        UninitializeThread();
    }

    void RegisterCounting() {
        RegisterProvider(kProgId, [this] {
            object.AddRef();
            return DispatchRef::Adopt(&object);
        });
    }

    CountingObject object;
};

TEST_F(AutomationLayerTest, VariantCopyTakesAReferenceAndClearGivesItBack) {
    Variant held = Variant::Object(DispatchRef::Share(&object));
    Variant copy = held;
    EXPECT_EQ(object.references, 2);
    held.Clear();
    EXPECT_EQ(held.type(), VT_EMPTY);
    EXPECT_EQ(object.references, 1);
    Variant moved = std::move(copy);
    EXPECT_EQ(object.references, 1);
    EXPECT_EQ(copy.type(), VT_EMPTY);
    moved = Variant::I4(3);
    EXPECT_EQ(object.references, 0);
}

TEST_F(AutomationLayerTest, ClearingAByReferenceVariantLeavesItsTargetAlone) {
    Variant target = Variant::Bstr(u"kept");
    Variant reference = Variant::Ref(&target);
    reference.Clear();
    EXPECT_EQ(target, Variant::Bstr(u"kept"));
}

TEST_F(AutomationLayerTest, ReadingTheWrongTypeIsATypeMismatch) {
    try {
        (void)Variant::I2(1).i4();
        FAIL() << "no exception";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.code(), DISP_E_TYPEMISMATCH);
    }
}

TEST_F(AutomationLayerTest, ErrorTextCarriesTheCode) {
    AutomationError error(DISP_E_PARAMNOTFOUND, "Open failed");
    EXPECT_STREQ(error.what(), "Open failed (0x80020004)");
}

TEST_F(AutomationLayerTest, MakeBstrVariantReplacesWhatTheVariantHeld) {
    Variant variant = Variant::Object(DispatchRef::Share(&object));
    MakeBstrVariant(variant, "/tmp/caf\xC3\xA9 \xF0\x9F\x93\x84.doc");
    EXPECT_EQ(object.references, 0);
    EXPECT_EQ(variant, Variant::Bstr(u"/tmp/caf\u00E9 \xD83D\xDCC4.doc"));
}

TEST_F(AutomationLayerTest, MakeBstrVariantOfEmptyTextIsAnEmptyString) {
    Variant variant = Variant::I2(5);
    MakeBstrVariant(variant, {});
    EXPECT_EQ(variant, Variant::Bstr(u""));
}

TEST_F(AutomationLayerTest, MakeBstrVariantRejectsMalformedUtf8) {
    for (const char* text : {"bad\xFF", "cut\xE6\x96", "overlong\xC0\xAF", "surrogate\xED\xA0\x80"}) {
        Variant variant;
        MakeBstrVariant(variant, text);
        ASSERT_EQ(variant.type(), VT_ERROR) << text;
        EXPECT_EQ(variant.error(), E_INVALIDARG) << text;
    }
}

TEST_F(AutomationLayerTest, CreationFailsWithoutAProvider) {
    DispatchDriver driver;
    HResult failure = S_OK;
    EXPECT_FALSE(driver.CreateDispatch("Word.Application", &failure));
    EXPECT_EQ(failure, CO_E_CLASSSTRING);
    EXPECT_EQ(driver.get(), nullptr);
}

TEST_F(AutomationLayerTest, CreationMatchesTheProgIdIgnoringCase) {
    RegisterCounting();
    DispatchDriver driver;
    ASSERT_TRUE(driver.CreateDispatch("LARKSPAN.test"));
    EXPECT_EQ(driver.get(), &object);
    EXPECT_EQ(object.references, 1);
}

TEST_F(AutomationLayerTest, CreationFailsOnAThreadThatHasNotInitialised) {
    RegisterCounting();
    HResult failure = S_OK;
    bool created = true;
    std::thread([&] {
        DispatchDriver driver;
        created = driver.CreateDispatch(kProgId, &failure);
    }).join();
    EXPECT_FALSE(created);
    EXPECT_EQ(failure, CO_E_NOTINITIALIZED);
    EXPECT_EQ(object.references, 0);
}

TEST_F(AutomationLayerTest, CreationFailsAfterUnregistering) {
    RegisterCounting();
    UnregisterProvider(kProgId);
    DispatchDriver driver;
    EXPECT_FALSE(driver.CreateDispatch(kProgId));
}

TEST_F(AutomationLayerTest, CreationReportsTheFactorysFailure) {
    RegisterProvider(kProgId, []() -> DispatchRef { throw AutomationError(E_OUTOFMEMORY, "no room"); });
    DispatchDriver driver;
    HResult failure = S_OK;
    EXPECT_FALSE(driver.CreateDispatch(kProgId, &failure));
    EXPECT_EQ(failure, E_OUTOFMEMORY);
}

TEST_F(AutomationLayerTest, DriverGivesBackItsReferenceOnReleaseAndDestruction) {
    RegisterCounting();
    {
        DispatchDriver driver;
        ASSERT_TRUE(driver.CreateDispatch(kProgId));
        driver.Release();
        EXPECT_EQ(object.references, 0);
        ASSERT_TRUE(driver.CreateDispatch(kProgId));
        EXPECT_EQ(object.references, 1);
    }
    EXPECT_EQ(object.references, 0);
}

TEST_F(AutomationLayerTest, InvokeHelperPassesTypedParametersInOrder) {
    object.AddRef();
    DispatchDriver driver(DispatchRef::Adopt(&object));
    Variant byRef = Variant::I2(7);
    driver.InvokeHelper(42, InvokeKind::PropertyPut, VT_EMPTY, true, &byRef, Variant::I4(9));
    EXPECT_EQ(object.lastMember, 42);
    EXPECT_EQ(object.lastKind, InvokeKind::PropertyPut);
    ASSERT_EQ(object.lastArgs.size(), 3u);
    EXPECT_EQ(object.lastArgs[0], Variant::Bool(true));
    EXPECT_EQ(object.lastArgs[1].type(), VT_BYREF | VT_VARIANT);
    EXPECT_EQ(object.lastArgs[1].ref(), &byRef);
    EXPECT_EQ(object.lastArgs[2], Variant::I4(9));
}

TEST_F(AutomationLayerTest, InvokeHelperRejectsAResultOfAnotherTypeAndReleasesIt) {
    CountingObject returned;
    object.answer = Variant::Object(DispatchRef::Share(&returned));
    object.AddRef();
    DispatchDriver driver(DispatchRef::Adopt(&object));
    try {
        driver.InvokeHelper(1, InvokeKind::PropertyGet, VT_BSTR);
        ADD_FAILURE() << "no exception";
    } catch (const AutomationError& error) {
        EXPECT_EQ(error.code(), DISP_E_TYPEMISMATCH);
    }
    object.answer.Clear();
    EXPECT_EQ(returned.references, 0);
}

TEST_F(AutomationLayerTest, DiscardedResultGivesBackItsReference) {
    CountingObject returned;
    object.answer = Variant::Object(DispatchRef::Share(&returned));
    object.AddRef();
    DispatchDriver driver(DispatchRef::Adopt(&object));
    Variant result = driver.InvokeHelper(1, InvokeKind::Method, VT_EMPTY);
    object.answer.Clear();
    EXPECT_EQ(result.type(), VT_EMPTY);
    EXPECT_EQ(returned.references, 0);
}

TEST_F(AutomationLayerTest, InvokeWithNoObjectThrows) {
    DispatchDriver driver;
    EXPECT_THROW(driver.InvokeHelper(1, InvokeKind::Method, VT_EMPTY), AutomationError);
}

}  // namespace
}  // namespace larkspan::automation
