// Whatever lies where a hive should be, both modes start, read the defaults, keep the bad file aside and
// write a good hive.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

#include "app/converter_app.h"
#include "mainwindow/main_window.h"
#include "platform/hive_text.h"
#include "platform/message_box.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;

struct BadHive {
    const char* name;
    fs::file_type type;
    std::string text;         // a regular file's first bytes
    std::size_t garbage = 0;  // followed by that many bytes of garbage
    std::size_t zerosTo = 0;  // and zeros up to that size
    std::string content() const {
        std::string bytes = text;
        std::mt19937 random(7);  // the same garbage on every run
        for (std::size_t i = 0; i < garbage; ++i) bytes += static_cast<char>(random());
        bytes.resize(std::max(zerosTo, bytes.size()));
        return bytes;
    }
};

void Plant(const fs::path& path, const BadHive& bad) {
    if (bad.type == fs::file_type::directory) {
        fs::create_directory(path);
    } else if (bad.type == fs::file_type::fifo) {
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    } else {
        std::ofstream(path, std::ios::binary) << bad.content();
    }
}

void ExpectKeptAside(const fs::path& folder, const std::string& hiveName, const BadHive& bad) {
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.path().filename().string().starts_with(hiveName + ".unreadable-")) continue;
        ++kept;
        EXPECT_EQ(fs::symlink_status(entry.path()).type(), bad.type);
        EXPECT_TRUE(bad.type != fs::file_type::regular || test::ReadText(entry.path()) == bad.content());
    }
    EXPECT_EQ(kept, 1) << hiveName;
}

class BadHiveAtStartUp : public ::testing::TestWithParam<BadHive> {};

TEST_P(BadHiveAtStartUp, BothModesRunOnDefaultsAndAGoodHiveIsWritten) {
    test::ScopedRegistry registry;
    const fs::path folder = registry.folder().path();
    Plant(folder / "user.reg", GetParam());
    Plant(folder / "machine.reg", GetParam());
    test::TempFolder empty;
    const std::string pattern = empty.str() + "/*.doc", output = empty.str();
    test::RecordingMessages messages;
    StartupHooks hooks;
    hooks.messages = &messages;
    hooks.initializeAutomation = [] { return true; };

    ::testing::internal::CaptureStderr();
    // The command line: start-up touches the machine hive; nothing matches, so the run succeeds.
    const char* commandLine[] = {"larkspan", pattern.c_str(), "docx", output.c_str()};
    EXPECT_EQ(ConverterApp("larkspan").InitInstance(4, commandLine, hooks), 0);

    // The window: reads its settings, gets the defaults, and writes one.
    std::string outDir, written;
    std::uint32_t autoClose = 0;
    bool wrote = false;
    hooks.runMainWindow = [&](MainWindow&, SettingsStore& store) {
        outDir = store.GetString("OutDir");
        autoClose = store.GetInt("AutoClose");
        wrote = store.WriteString("OutDir", "/home/ann/Out");
        written = store.GetString("OutDir");
    };
    const char* window[] = {"larkspan"};
    EXPECT_EQ(ConverterApp("larkspan").InitInstance(1, window, hooks), 0);
    const std::string reported = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(messages.shown, std::vector<std::string>{});
    EXPECT_EQ(outDir, "Original directory");
    EXPECT_EQ(autoClose, 1u);
    EXPECT_TRUE(wrote);
    EXPECT_EQ(written, "/home/ann/Out");
    EXPECT_NE(reported.find("user.reg\" is unreadable"), std::string::npos) << reported;
    EXPECT_NE(reported.find("machine.reg\" is unreadable"), std::string::npos) << reported;
    ExpectKeptAside(folder, "user.reg", GetParam());
    ExpectKeptAside(folder, "machine.reg", GetParam());
    registry::Hive hive;
    std::string error;
    EXPECT_TRUE(registry::ParseHive(test::ReadText(folder / "user.reg"), hive, error)) << error;
}

const std::string kHeader = "Windows Registry Editor Version 5.00\n";

INSTANTIATE_TEST_SUITE_P(
    Kinds, BadHiveAtStartUp,
    ::testing::Values(
        BadHive{"BinaryGarbage", fs::file_type::regular, "", 4096},
        BadHive{"HeaderThenGarbage", fs::file_type::regular, kHeader, 4096},
        BadHive{"TenMegabytesOfGarbage", fs::file_type::regular, kHeader, 10 << 20},
        BadHive{"CutInsideAValue", fs::file_type::regular,
                kHeader + "\n[HKEY_CURRENT_USER\\Software\\Larkspan\\larkspan\\Settings2]\n\"OutDir\"=\"/ho"},
        BadHive{"InvalidUtf8BeforeTheHeader", fs::file_type::regular, "\xc3\x28" + kHeader},
        BadHive{"InvalidUtf16", fs::file_type::regular, std::string("\xff\xfeW\0\0\xd8\n\0", 8)},
        BadHive{"LargerThan64MiB", fs::file_type::regular, kHeader, 0, std::uintmax_t{65} << 20},
        BadHive{"AFolder", fs::file_type::directory, ""},
        BadHive{"AFifoThatNobodyWrites", fs::file_type::fifo, ""}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace larkspan
