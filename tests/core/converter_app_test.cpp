#include "app/converter_app.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/jet_setting.h"
#include "app/stderr_message_box.h"
#include "mainwindow/main_window.h"
#include "platform/registry.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"

namespace larkspan {
namespace {

using test::RecordingMessages;

constexpr const char* kJet35 = "Software\\Microsoft\\Jet\\3.5\\Engines\\Excel";
constexpr const char* kJet40 = "Software\\Microsoft\\Jet\\4.0\\Engines\\Excel";

void Plant(const char* key) {
    std::error_code ec;
    ASSERT_TRUE(registry::Key::Create(registry::Root::LocalMachine, key, ec)) << ec.message();
}

std::optional<std::uint32_t> Rows(const char* key) {
    std::optional<registry::Key> k =
        registry::Key::Open(registry::Root::LocalMachine, key, registry::Access::Read);
    return k ? k->QueryDword("TypeGuessRows") : std::nullopt;
}

struct JetCase {
    const char* name;
    bool has35, has40;
    std::optional<std::uint32_t> rows35, rows40;
};

class JetSetting : public ::testing::TestWithParam<JetCase> {};

TEST_P(JetSetting, WritesOnlyIntoAnExistingKey) {
    test::ScopedRegistry registry;
    const JetCase& c = GetParam();
    if (c.has35) Plant(kJet35);
    if (c.has40) Plant(kJet40);
    WriteJetTypeGuessRows();
    EXPECT_EQ(Rows(kJet35), c.rows35);
    EXPECT_EQ(Rows(kJet40), c.rows40);
    EXPECT_EQ(registry::KeyExists(registry::Root::LocalMachine, kJet35), c.has35);
    EXPECT_EQ(registry::KeyExists(registry::Root::LocalMachine, kJet40), c.has40);
}

INSTANTIATE_TEST_SUITE_P(Keys, JetSetting,
                         ::testing::Values(JetCase{"Only35", true, false, 10000u, std::nullopt},
                                           JetCase{"Only40", false, true, std::nullopt, 100000u},
                                           JetCase{"Both", true, true, 10000u, std::nullopt},
                                           JetCase{"Neither", false, false, std::nullopt, std::nullopt}),
                         [](const auto& info) { return info.param.name; });

struct Dispatch {
    int windowRuns = 0;
    std::string sourceSeen = "unset";
};

StartupHooks HooksFor(RecordingMessages& messages, Dispatch& dispatch) {
    StartupHooks hooks;
    hooks.messages = &messages;
    hooks.runMainWindow = [&dispatch](MainWindow& window, SettingsStore&) {
        ++dispatch.windowRuns;
        dispatch.sourceSeen = window.m_strCurrentFolder;
    };
    return hooks;
}

TEST(ConverterApp, NoSourceArgumentOpensTheMainWindow) {
    test::ScopedRegistry registry;
    RecordingMessages messages;
    Dispatch dispatch;
    ConverterApp app("larkspan");
    const char* argv[] = {"larkspan", "", "docx"};
    EXPECT_EQ(app.InitInstance(3, argv, HooksFor(messages, dispatch)), 0);
    EXPECT_EQ(dispatch.windowRuns, 1);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(app.m_strCmdFormat(), "docx");
}

TEST(ConverterApp, ASourceArgumentConvertsWithoutAnyWindow) {
    test::ScopedRegistry registry;
    test::TempFolder empty;
    RecordingMessages messages;
    Dispatch dispatch;
    ConverterApp app("larkspan");
    std::string pattern = empty.str() + "/*.doc";
    const char* argv[] = {"larkspan", pattern.c_str(), "docx", "/tmp"};
    // Nothing matches: an empty source list is a success, and nothing is said.
    EXPECT_EQ(app.InitInstance(4, argv, HooksFor(messages, dispatch)), 0);
    EXPECT_EQ(dispatch.windowRuns, 0);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(app.m_strCmdSource(), pattern);
    EXPECT_EQ(app.m_strCmdOutput(), "/tmp");
    // The command-line mode leaves every setting unchanged.
    EXPECT_FALSE(registry::KeyExists(registry::Root::CurrentUser, "Software\\Larkspan"));
}

TEST(ConverterApp, AutomationFailureStopsStartUpWithItsMessage) {
    test::ScopedRegistry registry;
    Plant(kJet35);
    RecordingMessages messages;
    Dispatch dispatch;
    StartupHooks hooks = HooksFor(messages, dispatch);
    hooks.initializeAutomation = [] { return false; };
    ConverterApp app("larkspan");
    const char* argv[] = {"larkspan"};
    EXPECT_NE(app.InitInstance(1, argv, hooks), 0);
    EXPECT_EQ(messages.shown, std::vector<std::string>{"Could not initialize COM dll"});
    EXPECT_EQ(dispatch.windowRuns, 0);
    EXPECT_EQ(Rows(kJet35), std::nullopt);  // no later step ran
}

TEST(ConverterApp, StartUpWritesTheJetSettingAndOpensTheSettingsKey) {
    test::ScopedRegistry registry;
    Plant(kJet40);
    RecordingMessages messages;
    Dispatch dispatch;
    ConverterApp app("myname");
    const char* argv[] = {"larkspan"};
    app.InitInstance(1, argv, HooksFor(messages, dispatch));
    EXPECT_EQ(Rows(kJet40), 100000u);
    ASSERT_NE(app.settings(), nullptr);
    EXPECT_EQ(app.settings()->SectionPath(), "Software\\Larkspan\\myname\\Settings2");
}

TEST(MainWindowState, ConstructedWithoutAWindowHoldsItsInitialValues) {
    MainWindow window;
    EXPECT_EQ(window.m_nFormat, 0);
    EXPECT_EQ(window.m_strFilePattern, "*.DOCX");
    EXPECT_TRUE(window.m_strOutDir.empty());
    EXPECT_TRUE(window.m_strCurrentFolder.empty());
    EXPECT_TRUE(window.m_arrFoundPaths.empty());
    EXPECT_TRUE(window.m_arrEntries.empty());
    EXPECT_EQ(window.m_bSortAscending, 0);
    EXPECT_EQ(window.m_nSortColumn, -1);
    // The program's own folder is known at once: the converter lies there.
    ASSERT_FALSE(window.ApplicationFolder.empty());
    EXPECT_EQ(window.ApplicationFolder.back(), '/');
    EXPECT_TRUE(std::filesystem::is_directory(window.ApplicationFolder));
}

}  // namespace
}  // namespace larkspan
