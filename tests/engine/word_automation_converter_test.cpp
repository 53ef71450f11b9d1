#include "engine/word_automation_converter.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "engine/automation/hresult.h"
#include "engine/automation/thread_init.h"
#include "platform/message_box.h"
#include "tests/engine/recording_word.h"

namespace larkspan::enginetest {
namespace {

using namespace automation;

// Word's DISPIDs, written out here rather than taken from the converter so that a wrong number there fails.
constexpr DispId kVisible = 23;
constexpr DispId kDocuments = 6;
constexpr DispId kOpen = 19;
constexpr DispId kSaveAs = 376;
constexpr DispId kClose = 1105;
constexpr DispId kQuit = 1105;

constexpr const char* kSource = "/data/in/report.doc";
constexpr const char* kTarget = "/data/out/report.docx";

const Variant kMissing = Variant::Error(MakeHResult(0x80020004));

class RecordingMessageBox final : public MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

class WordSequenceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InitializeThread());
        word = std::make_unique<RecordingWord>();
    }
    void TearDown() override {
        word.reset();
        UninitializeThread();
    }

    bool Convert(std::string_view source = kSource, std::string_view target = kTarget) {
        return ConvertWithWord(source, target, messages);
    }

    // The only call to a member; fails the test when there is not exactly one.
    RecordedCall OnlyCall(const std::string& object, DispId member) {
        std::vector<RecordedCall> found = word->CallsTo(object, member);
        EXPECT_EQ(found.size(), 1u) << object << " member " << member;
        return found.empty() ? RecordedCall{} : found.front();
    }

    void ExpectEverythingReleased() {
        EXPECT_EQ(word->application.references(), 0);
        EXPECT_EQ(word->documents.references(), 0);
        EXPECT_EQ(word->document.references(), 0);
        EXPECT_TRUE(word->problems.empty()) << word->problems.front();
    }

    std::unique_ptr<RecordingWord> word;
    RecordingMessageBox messages;
};

TEST_F(WordSequenceTest, CallsWordMembersInOrder) {
    ASSERT_TRUE(Convert());

    struct Expected {
        const char* object;
        DispId member;
        InvokeKind kind;
        std::size_t argumentCount;
    };
    const Expected expected[] = {
        {"Application", kVisible, InvokeKind::PropertyPut, 1},
        {"Application", kDocuments, InvokeKind::PropertyGet, 0},
        {"Documents", kOpen, InvokeKind::Method, 16},
        {"Document", kSaveAs, InvokeKind::Method, 16},
        {"Document", kClose, InvokeKind::Method, 3},
        {"Application", kQuit, InvokeKind::Method, 3},
    };
    ASSERT_EQ(word->calls.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE("call " + std::to_string(i));
        EXPECT_EQ(word->calls[i].object, expected[i].object);
        EXPECT_EQ(word->calls[i].member, expected[i].member);
        EXPECT_EQ(word->calls[i].kind, expected[i].kind);
        EXPECT_EQ(word->calls[i].args.size(), expected[i].argumentCount);
    }
    EXPECT_EQ(word->created, 1);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(WordSequenceTest, MakesWordInvisibleWithABoolByValue) {
    ASSERT_TRUE(Convert());
    RecordedCall visible = OnlyCall("Application", kVisible);
    ASSERT_EQ(visible.args.size(), 1u);
    EXPECT_FALSE(visible.args[0].byReference);
    EXPECT_EQ(visible.args[0].value, Variant::Bool(false));
}

TEST_F(WordSequenceTest, PassesEveryMethodArgumentByReference) {
    ASSERT_TRUE(Convert());
    for (const RecordedCall& call : word->calls) {
        if (call.kind != InvokeKind::Method) continue;
        for (std::size_t i = 0; i < call.args.size(); ++i)
            EXPECT_TRUE(call.args[i].byReference)
                << call.object << " member " << call.member << " argument " << i + 1;
    }
}

TEST_F(WordSequenceTest, ClosesTheDocumentAndQuitsWithoutSaving) {
    ASSERT_TRUE(Convert());
    for (const RecordedCall& call : {OnlyCall("Document", kClose), OnlyCall("Application", kQuit)}) {
        SCOPED_TRACE(call.object);
        ASSERT_EQ(call.args.size(), 3u);
        EXPECT_EQ(call.args[0].value, Variant::I2(0));  // SaveChanges: do not save
        EXPECT_EQ(call.args[1].value, kMissing);        // OriginalFormat
        EXPECT_EQ(call.args[2].value, kMissing);        // RouteDocument
    }
}

TEST_F(WordSequenceTest, ReleasesEveryReferenceAfterSuccess) {
    ASSERT_TRUE(Convert());
    ExpectEverythingReleased();
}

TEST_F(WordSequenceTest, ReleasesTheDocumentBeforeQuitting) {
    ASSERT_TRUE(Convert());
    EXPECT_EQ(OnlyCall("Application", kQuit).documentReferences, 0);
}

TEST_F(WordSequenceTest, EachConversionStartsAndQuitsItsOwnWord) {
    ASSERT_TRUE(Convert());
    ASSERT_TRUE(Convert("/data/in/second.doc", "/data/out/second.doc"));
    EXPECT_EQ(word->created, 2);
    EXPECT_EQ(word->CallsTo("Application", kQuit).size(), 2u);
    ExpectEverythingReleased();
}

TEST_F(WordSequenceTest, NonAsciiPathsArriveAsUtf16) {
    ASSERT_TRUE(Convert("/home/zoë/Grüße/文書 😀.doc", "/tmp/Ωmega/résumé.docx"));
    RecordedCall open = OnlyCall("Documents", kOpen);
    RecordedCall saveAs = OnlyCall("Document", kSaveAs);
    ASSERT_FALSE(open.args.empty());
    ASSERT_FALSE(saveAs.args.empty());
    // The emoji lies outside the basic plane: it must arrive as a surrogate pair.
    EXPECT_EQ(open.args[0].value,
              Variant::Bstr(u"/home/zo\u00EB/Gr\u00FC\u00DFe/\u6587\u66F8 \xD83D\xDE00.doc"));
    EXPECT_EQ(saveAs.args[0].value, Variant::Bstr(u"/tmp/\u03A9mega/r\u00E9sum\u00E9.docx"));
}

TEST_F(WordSequenceTest, PathWithoutUtf16FormIsNeverHandedToWord) {
    EXPECT_FALSE(Convert("/data/in/bad\xFF.doc", kTarget));
    EXPECT_TRUE(word->CallsTo("Documents", kOpen).empty());
    EXPECT_EQ(word->CallsTo("Application", kQuit).size(), 1u);
    ExpectEverythingReleased();

    word->calls.clear();
    EXPECT_FALSE(Convert(kSource, "/data/out/bad\xC3.docx"));
    EXPECT_TRUE(word->CallsTo("Document", kSaveAs).empty());
    EXPECT_EQ(word->CallsTo("Application", kQuit).size(), 1u);
    ExpectEverythingReleased();
}

TEST_F(WordSequenceTest, ShowsErrorStartingWordWhenNoWordIsRegistered) {
    word.reset();
    EXPECT_FALSE(Convert());
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error starting Word."});
}

TEST_F(WordSequenceTest, CannotStartWordOnAThreadThatHasNotInitialised) {
    bool converted = true;
    std::thread([&] { converted = ConvertWithWord(kSource, kTarget, messages); }).join();
    EXPECT_FALSE(converted);
    EXPECT_EQ(word->created, 0);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error starting Word."});
}

TEST_F(WordSequenceTest, ConvertsOnAThreadThatHasInitialisedForItself) {
    bool converted = false;
    std::thread([&] {
        EXPECT_TRUE(InitializeThread());
        converted = ConvertWithWord(kSource, kTarget, messages);
        UninitializeThread();
    }).join();
    EXPECT_TRUE(converted);
    ExpectEverythingReleased();
}

// One row per argument of a call: position (1-based), name, and what must arrive.
struct ArgumentRow {
    const char* name;
    std::size_t position;
    Variant expected;
};

std::string RowName(const ::testing::TestParamInfo<ArgumentRow>& info) {
    return info.param.name;
}

class OpenArgumentTest : public WordSequenceTest, public ::testing::WithParamInterface<ArgumentRow> {};

TEST_P(OpenArgumentTest, Arrives) {
    ASSERT_TRUE(Convert());
    RecordedCall open = OnlyCall("Documents", kOpen);
    ASSERT_EQ(open.args.size(), 16u);
    EXPECT_EQ(open.args[GetParam().position - 1].value, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Open, OpenArgumentTest,
    ::testing::Values(
        ArgumentRow{"FileName", 1, Variant::Bstr(u"/data/in/report.doc")},
        ArgumentRow{"ConfirmConversions", 2, kMissing}, ArgumentRow{"ReadOnly", 3, Variant::I2(1)},
        ArgumentRow{"AddToRecentFiles", 4, kMissing}, ArgumentRow{"PasswordDocument", 5, kMissing},
        ArgumentRow{"PasswordTemplate", 6, kMissing}, ArgumentRow{"Revert", 7, kMissing},
        ArgumentRow{"WritePasswordDocument", 8, kMissing}, ArgumentRow{"WritePasswordTemplate", 9, kMissing},
        ArgumentRow{"Format", 10, kMissing}, ArgumentRow{"Encoding", 11, kMissing},
        ArgumentRow{"Visible", 12, kMissing}, ArgumentRow{"OpenAndRepair", 13, kMissing},
        ArgumentRow{"DocumentDirection", 14, kMissing}, ArgumentRow{"NoEncodingDialog", 15, kMissing},
        ArgumentRow{"XMLTransform", 16, kMissing}),
    RowName);

class SaveAsArgumentTest : public WordSequenceTest, public ::testing::WithParamInterface<ArgumentRow> {};

TEST_P(SaveAsArgumentTest, Arrives) {
    ASSERT_TRUE(Convert());
    RecordedCall saveAs = OnlyCall("Document", kSaveAs);
    ASSERT_EQ(saveAs.args.size(), 16u);
    const Variant& actual = saveAs.args[GetParam().position - 1].value;
    EXPECT_EQ(actual.type(), GetParam().expected.type());
    EXPECT_EQ(actual, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    SaveAs, SaveAsArgumentTest,
    ::testing::Values(ArgumentRow{"FileName", 1, Variant::Bstr(u"/data/out/report.docx")},
                      ArgumentRow{"FileFormat", 2, Variant::I4(12)},
                      ArgumentRow{"LockComments", 3, Variant::Bool(false)},
                      ArgumentRow{"Password", 4, Variant::Bstr(u"")},
                      ArgumentRow{"AddToRecentFiles", 5, Variant::Bool(true)},
                      ArgumentRow{"WritePassword", 6, Variant::Bstr(u"")},
                      ArgumentRow{"ReadOnlyRecommended", 7, Variant::Bool(false)},
                      ArgumentRow{"EmbedTrueTypeFonts", 8, Variant::Bool(false)},
                      ArgumentRow{"SaveNativePictureFormat", 9, Variant::Bool(false)},
                      ArgumentRow{"SaveFormsData", 10, Variant::Bool(false)},
                      ArgumentRow{"SaveAsAOCELetter", 11, Variant::Bool(false)},
                      ArgumentRow{"Encoding", 12, kMissing}, ArgumentRow{"InsertLineBreaks", 13, kMissing},
                      ArgumentRow{"AllowSubstitutions", 14, kMissing},
                      ArgumentRow{"LineEnding", 15, kMissing}, ArgumentRow{"AddBiDiMarks", 16, kMissing}),
    RowName);

TEST_F(WordSequenceTest, AddsToRecentFilesWithVariantTrue) {
    ASSERT_TRUE(Convert());
    RecordedCall saveAs = OnlyCall("Document", kSaveAs);
    ASSERT_GE(saveAs.args.size(), 5u);
    // VARIANT_TRUE is all bits set, not 1.
    EXPECT_EQ(saveAs.args[4].value.boolValue(), -1);
}

struct FormatRow {
    const char* name;
    const char* target;
    std::int32_t format;
};

class SaveFormatTest : public WordSequenceTest, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(SaveFormatTest, FollowsTheTargetsKind) {
    ASSERT_TRUE(Convert(kSource, GetParam().target));
    RecordedCall saveAs = OnlyCall("Document", kSaveAs);
    ASSERT_GE(saveAs.args.size(), 2u);
    EXPECT_EQ(saveAs.args[1].value, Variant::I4(GetParam().format));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveFormatTest,
    ::testing::Values(FormatRow{"docx", "/data/out/a.docx", 12}, FormatRow{"DOCX", "/data/out/A.DOCX", 12},
                      FormatRow{"DocX", "/data/out/a.DocX", 12}, FormatRow{"doc", "/data/out/a.doc", 0},
                      FormatRow{"DOC", "/data/out/A.DOC", 0}, FormatRow{"rtf", "/data/out/a.rtf", 0},
                      FormatRow{"NoExtension", "/data/out/report", 0},
                      FormatRow{"DocxFolderDocFile", "/data/out.docx/a.doc", 0}),
    [](const ::testing::TestParamInfo<FormatRow>& info) { return info.param.name; });

struct FailureRow {
    const char* name;
    const char* object;
    DispId member;
};

class FailingCallTest : public WordSequenceTest, public ::testing::WithParamInterface<FailureRow> {};

TEST_P(FailingCallTest, QuitsWordReleasesEverythingAndReportsFailure) {
    word->FailOn(GetParam().object, GetParam().member);
    EXPECT_FALSE(Convert());
    std::vector<RecordedCall> quits = word->CallsTo("Application", kQuit);
    ASSERT_EQ(quits.size(), 1u);
    EXPECT_EQ(word->calls.back().object, "Application");
    EXPECT_EQ(word->calls.back().member, kQuit);
    ASSERT_EQ(quits[0].args.size(), 3u);
    EXPECT_EQ(quits[0].args[0].value, Variant::I2(0));
    EXPECT_EQ(quits[0].documentReferences, 0) << "the document outlived Word";
    ExpectEverythingReleased();
    // A failed call is no reason to show anything: the caller reports the file as failed.
    EXPECT_TRUE(messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Calls, FailingCallTest,
                         ::testing::Values(FailureRow{"Visible", "Application", kVisible},
                                           FailureRow{"Documents", "Application", kDocuments},
                                           FailureRow{"Open", "Documents", kOpen},
                                           FailureRow{"SaveAs", "Document", kSaveAs},
                                           FailureRow{"Close", "Document", kClose},
                                           FailureRow{"Quit", "Application", kQuit}),
                         [](const ::testing::TestParamInfo<FailureRow>& info) { return info.param.name; });

TEST_F(WordSequenceTest, FailedOpenGoesNoFurther) {
    word->FailOn("Documents", kOpen);
    EXPECT_FALSE(Convert());
    EXPECT_TRUE(word->CallsTo("Document", kSaveAs).empty());
    EXPECT_TRUE(word->CallsTo("Document", kClose).empty());
}

}  // namespace
}  // namespace larkspan::enginetest
