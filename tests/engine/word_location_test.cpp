#include "engine/word_location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "platform/registry.h"

namespace larkspan {
namespace {

namespace fs = std::filesystem;

// Each test gets its own empty hives.
class WordLocationTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "larkspan-wordloc-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        if (const char* previous = std::getenv("LARKSPAN_REGISTRY_DIR")) previous_ = previous;
        setenv("LARKSPAN_REGISTRY_DIR", folder_.c_str(), 1);
    }
    void TearDown() override {
        if (previous_)
            setenv("LARKSPAN_REGISTRY_DIR", previous_->c_str(), 1);
        else
            unsetenv("LARKSPAN_REGISTRY_DIR");
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    static std::string InstallRoot(const char* version) {
        return std::string("SOFTWARE\\Microsoft\\Office\\") + version + "\\Word\\InstallRoot";
    }

    // The version's InstallRoot key, with a "Path" value when one is given.
    static void Plant(const char* version, std::optional<std::string> path) {
        std::error_code error;
        std::optional<registry::Key> key =
            registry::Key::Create(registry::Root::LocalMachine, InstallRoot(version), error);
        ASSERT_TRUE(key) << error.message();
        if (path) {
            ASSERT_FALSE(key->SetString("Path", *path));
        }
    }

    fs::path folder_;
    std::optional<std::string> previous_;
};

TEST_F(WordLocationTest, NewestVersionDecides) {
    Plant("11.0", "/opt/office11/");
    Plant("12.0", "/opt/office12/");
    std::string folder = "stale";
    EXPECT_EQ(FindWordInstallation(folder), 4);
    EXPECT_EQ(folder, "/opt/office12/");
}

TEST_F(WordLocationTest, KeyWithoutPathGivesAnEmptyFolder) {
    Plant("11.0", std::nullopt);
    std::string folder = "stale";
    EXPECT_EQ(FindWordInstallation(folder), 3);
    EXPECT_EQ(folder, "");
}

TEST_F(WordLocationTest, OldestVersionIsFound) {
    Plant("9.0", "/opt/office9/");
    std::string folder;
    EXPECT_EQ(FindWordInstallation(folder), 1);
    EXPECT_EQ(folder, "/opt/office9/");
}

TEST_F(WordLocationTest, Version10IsTwo) {
    Plant("10.0", "/opt/office10/");
    std::string folder;
    EXPECT_EQ(FindWordInstallation(folder), 2);
}

TEST_F(WordLocationTest, NothingPlantedIsZero) {
    std::string folder = "stale";
    EXPECT_EQ(FindWordInstallation(folder), 0);
    EXPECT_EQ(folder, "");
}

TEST_F(WordLocationTest, OtherOfficeKeysAreNotWord) {
    std::error_code error;
    ASSERT_TRUE(registry::Key::Create(registry::Root::LocalMachine,
                                      "SOFTWARE\\Microsoft\\Office\\12.0\\Excel\\InstallRoot", error));
    std::string folder;
    EXPECT_EQ(FindWordInstallation(folder), 0);
}

TEST_F(WordLocationTest, PathThatDoesNotFitTheBufferIsDropped) {
    Plant("12.0", "/" + std::string(259, 'p'));
    std::string folder = "stale";
    EXPECT_EQ(FindWordInstallation(folder), 4);
    EXPECT_EQ(folder, "");
}

TEST_F(WordLocationTest, LongestPathThatFitsIsKept) {
    std::string longest = "/" + std::string(258, 'p');
    Plant("12.0", longest);
    std::string folder;
    EXPECT_EQ(FindWordInstallation(folder), 4);
    EXPECT_EQ(folder, longest);
}

TEST_F(WordLocationTest, NumberIsNotReadAsText) {
    Plant("12.0", std::nullopt);
    std::error_code error;
    std::optional<registry::Key> key =
        registry::Key::Create(registry::Root::LocalMachine, InstallRoot("12.0"), error);
    ASSERT_TRUE(key);
    ASSERT_FALSE(key->SetDword("Path", 7));
    EXPECT_EQ(ReadRegistryString(registry::Root::LocalMachine, InstallRoot("12.0"), "Path"), "");
}

TEST_F(WordLocationTest, ReadingFromTheWrongRootFindsNothing) {
    Plant("12.0", "/opt/office12/");
    EXPECT_EQ(ReadRegistryString(registry::Root::CurrentUser, InstallRoot("12.0"), "Path"), "");
    EXPECT_EQ(ReadRegistryString(registry::Root::LocalMachine, InstallRoot("12.0"), "Path"),
              "/opt/office12/");
}

}  // namespace
}  // namespace larkspan
