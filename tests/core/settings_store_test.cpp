#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include "platform/registry.h"
#include "tests/support/files.h"

namespace larkspan {
namespace {

struct DefaultCase {
    const char* key;
    const char* text;  // nullptr for an integer key
    std::uint32_t number;
};

class SettingDefaults : public ::testing::TestWithParam<DefaultCase> {};

TEST_P(SettingDefaults, AFreshProfileReadsTheDefault) {
    test::ScopedRegistry registry;
    SettingsStore store("Larkspan", "larkspan");
    const DefaultCase& c = GetParam();
    if (c.text)
        EXPECT_EQ(store.GetString(c.key), c.text);
    else
        EXPECT_EQ(store.GetInt(c.key), c.number);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingDefaults,
                         ::testing::Values(DefaultCase{"OutDir", "Original directory", 0},
                                           DefaultCase{"OutputDir1", "Original directory", 0},
                                           DefaultCase{"OutputDir2", "", 0}, DefaultCase{"OutputDir5", "", 0},
                                           DefaultCase{"CurrentDirectory", "", 0},
                                           DefaultCase{"Progress", nullptr, 0},
                                           DefaultCase{"AutoClose", nullptr, 1}),
                         [](const auto& info) { return std::string(info.param.key); });

TEST(SettingsStore, TableHoldsEveryKeyOnceWithItsType) {
    EXPECT_EQ(SettingsTable().size(), 23u);
    for (const SettingDefinition& definition : SettingsTable())
        EXPECT_EQ(FindSetting(definition.key), &definition) << definition.key;
    EXPECT_EQ(FindSetting("bMaximized")->type, SettingType::Integer);
    EXPECT_EQ(FindSetting("OutputDir3")->type, SettingType::String);
    EXPECT_EQ(FindSetting("Unknown"), nullptr);
    EXPECT_EQ(OutputDirKey(4), "OutputDir4");
}

TEST(SettingsStore, WritesAreReadBackAtOnceUnderTheProgramsKey) {
    test::ScopedRegistry registry;
    SettingsStore store("Larkspan", "larkspan");
    EXPECT_EQ(store.SectionPath(), "Software\\Larkspan\\larkspan\\Settings2");
    EXPECT_TRUE(store.WriteString("OutDir", "/home/ann/Out"));
    EXPECT_TRUE(store.WriteInt("AutoClose", 0));
    EXPECT_TRUE(store.WriteInt("ptMainDlgPos_x", -8));
    EXPECT_TRUE(store.WriteInt("bMaximized", 16777216));
    EXPECT_EQ(store.GetString("OutDir"), "/home/ann/Out");
    EXPECT_EQ(store.GetInt("AutoClose"), 0u);
    EXPECT_EQ(static_cast<std::int32_t>(store.GetInt("ptMainDlgPos_x")), -8);
    EXPECT_EQ(store.GetInt("bMaximized"), 16777216u);

    // Another program's settings (another file name) are separate; a second store sees the same values.
    EXPECT_EQ(SettingsStore("Larkspan", "other").GetString("OutDir"), "Original directory");
    EXPECT_EQ(SettingsStore("Larkspan", "larkspan").GetString("OutDir"), "/home/ann/Out");
    std::optional<registry::Key> key = registry::Key::Open(
        registry::Root::CurrentUser, "Software\\Larkspan\\larkspan\\Settings2", registry::Access::Read);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryDword("AutoClose"), 0u);
}

TEST(SettingsStore, NoCacheAValueChangedOutsideIsSeenOnTheNextRead) {
    test::ScopedRegistry registry;
    SettingsStore store("Larkspan", "larkspan");
    EXPECT_EQ(store.GetInt("Progress"), 0u);
    EXPECT_TRUE(SettingsStore("Larkspan", "larkspan").WriteInt("Progress", 1));
    EXPECT_EQ(store.GetInt("Progress"), 1u);
}

}  // namespace
}  // namespace larkspan
