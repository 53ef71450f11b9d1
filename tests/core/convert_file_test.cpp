#include "engine/convert_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/message_box.h"
#include "stand_in_converter.h"
#include "temp_folder.h"

namespace larkspan {
namespace {

using namespace std::chrono_literals;

class RecordingMessages : public MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

using test::ReadText;

class ConvertFileTest : public ::testing::Test {
protected:
    ConvertFileTest() {
        settings.applicationFolder = (work.path() / "app").string() + "/";
        settings.timeBound = 5s;
        source = work.WriteFile("in/My \"odd\" file's name.docx", "content").string();
        target = (work.path() / "out dir" / "My \"odd\" file's name.doc").string();
        std::filesystem::create_directories(work.path() / "out dir");
    }
    ConversionResult Convert(int versionCode = 0, const std::string& wordFolder = "") {
        return ConvertFile(source, target, versionCode, wordFolder, settings, messages);
    }
    test::TempFolder work;
    ConverterSettings settings;
    RecordingMessages messages;
    std::string source, target;
    std::filesystem::path log = work.path() / "arguments.log";
};

TEST_F(ConvertFileTest, SuccessPassesEveryPathIntactWithoutAShell) {
    test::WriteStandIn(work.path() / "app", test::CopyingConverter(log));
    ConversionResult result = Convert();
    EXPECT_TRUE(result.produced) << result.reason;
    EXPECT_EQ(ReadText(target), "content");
    EXPECT_EQ(ReadText(log), "-f\n" + source + "\n" + target + "\n");
}

struct FailureCase {
    const char* name;
    const char* body;
    const char* reason;
};

class ConverterFailures : public ConvertFileTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ConverterFailures, AreReportedWithTheirReasonAndNoTarget) {
    test::WriteStandIn(work.path() / "app", GetParam().body);
    settings.timeBound = 1500ms;
    auto started = std::chrono::steady_clock::now();
    ConversionResult result = Convert();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 4s);
    EXPECT_FALSE(result.produced);
    EXPECT_NE(result.reason.find(GetParam().reason), std::string::npos) << result.reason;
    EXPECT_FALSE(std::filesystem::exists(target));
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ConverterFailures,
    ::testing::Values(
        FailureCase{"WritesNothing", "exit 0", "wrote no target"},
        FailureCase{"StatesItsReason", "echo 'engine noise' >&2\necho 'not a document' >&2\nexit 3",
                    "not a document"},
        FailureCase{"SilentFailure", "exit 4", "status 4"},
        FailureCase{"NamesItselfAndThePath", "echo \"Zuv0: save failed: $3 (disk full)\" >&2; exit 6",
                    "save failed (disk full)"},
        FailureCase{"KilledBySignal", "kill -9 $$", "signal 9"},
        FailureCase{"HangsPastTheBound", "exec sleep 60", "conversion took longer than 1.5 s"},
        FailureCase{"HangsAfterWritingPart", "echo part > \"$3\".partial\nexec sleep 60", "took longer"}),
    [](const auto& info) { return info.param.name; });

TEST_F(ConvertFileTest, AHungConverterIsKilledAndTheNextFileConverts) {
    // The converter hangs on the first file only.
    test::WriteStandIn(work.path() / "app", "case \"$2\" in *hang*) exec sleep 60;; esac\ncp \"$2\" \"$3\"");
    settings.timeBound = 700ms;
    std::string hanging = work.WriteFile("in/hang.docx").string();
    ConversionResult first = ConvertFile(hanging, target + ".1", 0, "", settings, messages);
    ConversionResult second = Convert();
    EXPECT_FALSE(first.produced);
    EXPECT_TRUE(second.produced) << second.reason;
}

TEST_F(ConvertFileTest, AConverterThatIgnoresTheRequestToEndIsKilled) {
    // It leaves its temporary behind only if it is not asked politely first.
    test::WriteStandIn(
        work.path() / "app",
        "trap 'rm -f \"$3.part\"; exit 143' TERM\necho x > \"$3.part\"\nwhile :; do sleep 0.05; done");
    settings.timeBound = 500ms;
    EXPECT_FALSE(Convert().produced);
    EXPECT_FALSE(std::filesystem::exists(target + ".part"));

    test::WriteStandIn(work.path() / "app", "trap '' TERM\nwhile :; do sleep 0.05; done");
    auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(Convert().produced);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
}

TEST_F(ConvertFileTest, MissingConverterIsAFailureNotAHang) {
    ConversionResult result = Convert();
    EXPECT_FALSE(result.produced);
    EXPECT_NE(result.reason.find("cannot start the converter"), std::string::npos) << result.reason;
}

TEST_F(ConvertFileTest, AConverterAlreadyInWordsFolderIsRunAndNotReplaced) {
    const std::filesystem::path wordFolder = work.path() / "Word";
    test::WriteStandIn(work.path() / "app", "echo wrong > \"$3\"");
    test::WriteStandIn(wordFolder, test::CopyingConverter(log));
    const std::string before = ReadText(wordFolder / kExternalConverterName);
    ConversionResult result = Convert(3, wordFolder.string() + "/");
    EXPECT_TRUE(result.produced) << result.reason;
    EXPECT_EQ(ReadText(target), "content");
    EXPECT_EQ(ReadText(wordFolder / kExternalConverterName), before);
}

TEST_F(ConvertFileTest, TheConverterIsCopiedIntoWordsFolderWhenMissing) {
    test::WriteStandIn(work.path() / "app", test::CopyingConverter(log));
    // The folder as Office records it, with a trailing separator, and without one.
    for (const char* ending : {"/", ""}) {
        const std::filesystem::path wordFolder = work.path() / (std::string("Word") + (*ending ? "1" : "2"));
        std::filesystem::create_directories(wordFolder);
        std::filesystem::remove(target);
        ConversionResult result = Convert(1, wordFolder.string() + ending);
        EXPECT_TRUE(result.produced) << result.reason;
        EXPECT_TRUE(std::filesystem::exists(wordFolder / kExternalConverterName)) << ending;
        EXPECT_FALSE(
            std::filesystem::exists(work.path() / (wordFolder.filename().string() + kExternalConverterName)));
    }
    // With no Word folder the converter runs where it is delivered, beside the program.
    std::filesystem::remove(target);
    test::WriteStandIn(work.path() / "app", "echo \"$0\" > '" + log.string() + "'\ncp \"$2\" \"$3\"");
    EXPECT_TRUE(Convert(0, "").produced);
    EXPECT_EQ(ReadText(log), settings.applicationFolder + kExternalConverterName + "\n");
}

TEST_F(ConvertFileTest, WordAutomationWithoutWordSaysSoAndFails) {
    test::WriteStandIn(work.path() / "app", test::CopyingConverter(log));
    ConversionResult result = Convert(4, "/opt/word/");
    EXPECT_FALSE(result.produced);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Error starting Word."});
    EXPECT_FALSE(std::filesystem::exists(log));  // the external converter was not used
    EXPECT_FALSE(Convert(9).produced);           // an unknown code runs nothing
}

TEST_F(ConvertFileTest, StopEndsAConversionAtOnce) {
    test::WriteStandIn(work.path() / "app", "exec sleep 60");
    settings.timeBound = 30s;
    std::stop_source stop;
    std::jthread stopper([&] {
        std::this_thread::sleep_for(300ms);
        stop.request_stop();
    });
    auto started = std::chrono::steady_clock::now();
    ConversionResult result = ConvertFile(source, target, 0, "", settings, messages, stop.get_token());
    EXPECT_LT(std::chrono::steady_clock::now() - started, 3s);
    EXPECT_FALSE(result.produced);
    EXPECT_EQ(result.reason, "stopped");
}

TEST(FileExists, FilesAndFoldersAlike) {
    test::TempFolder folder;
    EXPECT_TRUE(FileExists(folder.str()));
    EXPECT_TRUE(FileExists(folder.WriteFile("a").string()));
    EXPECT_FALSE(FileExists(folder.str() + "/b"));
}

}  // namespace
}  // namespace larkspan
