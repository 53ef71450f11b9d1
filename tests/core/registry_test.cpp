#include "platform/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "tests/support/files.h"

namespace larkspan::registry {
namespace {

using test::ScopedRegistry;

using test::ReadText;

Key CreateKey(Root root, std::string_view path) {
    std::error_code ec;
    std::optional<Key> key = Key::Create(root, path, ec);
    // Thrown, not asserted: the test then fails with the reason instead of using a key that is not there.
    if (!key) throw std::runtime_error("cannot create " + std::string(path) + ": " + ec.message());
    return *key;
}

struct StringCase {
    const char* name;
    std::string text;
};

class StringRoundTrip : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringRoundTrip, ReadsBackWhatWasWritten) {
    ScopedRegistry registry;
    Key key = CreateKey(Root::CurrentUser, "Software\\Larkspan\\larkspan\\Settings2");
    ASSERT_FALSE(key.SetString("Value", GetParam().text));
    std::optional<Key> reopened =
        Key::Open(Root::CurrentUser, "Software\\Larkspan\\larkspan\\Settings2", Access::Read);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->QueryString("Value"), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Texts, StringRoundTrip,
                         ::testing::Values(StringCase{"Plain", "Original directory"}, StringCase{"Empty", ""},
                                           StringCase{"Quotes", "say \"hello\" \"\""},
                                           StringCase{"Backslashes", "C:\\Docs\\\\end\\"},
                                           StringCase{"NonAscii", "/home/jörg/Größe/naïve café/Ωμέγα"},
                                           StringCase{"LineBreaks", "first line\nsecond\r\nthird"},
                                           StringCase{"Brackets", "[not a key]\n[HKEY_CURRENT_USER\\x]"},
                                           StringCase{"EqualsAndAt", "@=\"x\"=dword:1"},
                                           StringCase{"NotUtf8WithLineBreak", "caf\xe9\n\xff\xfe\r\n\x80"},
                                           StringCase{"Nuls", std::string("\0a\0\nb\0\0", 7)}),
                         [](const auto& info) { return info.param.name; });

TEST(Registry, NamesWithALineBreakAreRefusedAndTheHiveStaysReadable) {
    ScopedRegistry registry;
    Key key = CreateKey(Root::CurrentUser, "Software\\Larkspan");
    ASSERT_FALSE(key.SetString("Kept", "value"));
    EXPECT_EQ(key.SetString("two\nlines", "x"), std::errc::invalid_argument);
    std::error_code ec;
    EXPECT_FALSE(Key::Create(Root::CurrentUser, "Software\\a\nb", ec));
    EXPECT_EQ(ec, std::errc::invalid_argument);
    // A carriage return alone stays inside its line, as NULs and other bytes do.
    ASSERT_FALSE(key.SetString(std::string("odd\r\0name\xff", 10), "y"));
    EXPECT_EQ(key.QueryString(std::string("odd\r\0name\xff", 10)), "y");
    EXPECT_EQ(key.QueryString("Kept"), "value");
}

TEST(Registry, DwordAndDefaultValueRoundTrip) {
    ScopedRegistry registry;
    Key key = CreateKey(Root::LocalMachine, "Software\\Microsoft\\Jet\\4.0\\Engines\\Excel");
    ASSERT_FALSE(key.SetDword("TypeGuessRows", 100000));
    ASSERT_FALSE(key.SetDword("Max", 0xFFFFFFFFu));
    ASSERT_FALSE(key.SetString("", "the default"));
    EXPECT_EQ(key.QueryDword("TypeGuessRows"), 100000u);
    EXPECT_EQ(key.QueryDword("Max"), 0xFFFFFFFFu);
    EXPECT_EQ(key.QueryString(""), "the default");
    // A value of another type does not read as a string and the other way round.
    EXPECT_FALSE(key.QueryString("TypeGuessRows"));
    EXPECT_FALSE(key.QueryDword(""));
    std::string text = ReadText(registry.folder().path() / "machine.reg");
    EXPECT_NE(text.find("Windows Registry Editor Version 5.00"), std::string::npos);
    EXPECT_NE(text.find("\"TypeGuessRows\"=dword:000186a0"), std::string::npos);
    EXPECT_NE(text.find("@=\"the default\""), std::string::npos);
}

TEST(Registry, MissingKeysAndValues) {
    ScopedRegistry registry;
    EXPECT_FALSE(Key::Open(Root::CurrentUser, "Software\\Nothing", Access::Read));
    EXPECT_FALSE(Key::Open(Root::CurrentUser, "Software\\Nothing", Access::Write));
    Key key = CreateKey(Root::CurrentUser, "Software\\Larkspan");
    EXPECT_FALSE(key.QueryString("Missing"));
    EXPECT_FALSE(key.Query("Missing"));
    // Creation makes the parents; names compare ignoring case; roots are separate.
    EXPECT_TRUE(Key::Open(Root::CurrentUser, "SOFTWARE", Access::Read));
    EXPECT_TRUE(Key::Open(Root::CurrentUser, "software\\LARKSPAN", Access::Write));
    EXPECT_FALSE(Key::Open(Root::LocalMachine, "Software\\Larkspan", Access::Read));
    EXPECT_FALSE(Key::Open(Root::ClassesRoot, "Software\\Larkspan", Access::Read));
    // A key opened for reading refuses writes.
    std::optional<Key> readOnly = Key::Open(Root::CurrentUser, "Software\\Larkspan", Access::Read);
    ASSERT_TRUE(readOnly);
    EXPECT_TRUE(readOnly->SetString("x", "y"));
}

TEST(Registry, ClassesRootSharesTheMachineHiveWithoutMixingKeys) {
    ScopedRegistry registry;
    EXPECT_FALSE(CreateKey(Root::ClassesRoot, ".htm").SetString("", "htmlfile"));
    EXPECT_FALSE(CreateKey(Root::LocalMachine, ".htm").SetString("", "other"));
    EXPECT_EQ(Key::Open(Root::ClassesRoot, ".htm", Access::Read)->QueryString(""), "htmlfile");
    EXPECT_EQ(Key::Open(Root::LocalMachine, ".htm", Access::Read)->QueryString(""), "other");
}

TEST(Registry, ValuesOfOtherTypesSurviveARewrite) {
    ScopedRegistry registry;
    std::ofstream(registry.folder().path() / "user.reg")
        << "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\X]\r\n"
           "\"Expand\"=hex(2):25,00,50,00,\\\r\n  41,00,00,00\r\n\"Name\"=\"old\"\r\n";
    std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\X", Access::Write);
    ASSERT_TRUE(key);
    ASSERT_FALSE(key->SetString("Name", "new"));
    EXPECT_EQ(key->QueryString("Name"), "new");
    std::optional<Value> expand = key->Query("Expand");
    ASSERT_TRUE(expand);
    ASSERT_TRUE(std::holds_alternative<RawValue>(*expand));
    EXPECT_EQ(std::get<RawValue>(*expand).text, "hex(2):25,00,50,00,41,00,00,00");
}

TEST(Registry, ReadsAnExportWrittenAsUtf16) {
    ScopedRegistry registry;
    std::u16string text =
        u"Windows Registry Editor Version "
        u"5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Y]\r\n\"Name\"=\"Ärger\"\r\n";
    std::ofstream out(registry.folder().path() / "user.reg", std::ios::binary);
    out << '\xFF' << '\xFE';
    for (char16_t c : text) out << static_cast<char>(c & 0xFF) << static_cast<char>(c >> 8);
    out.close();
    std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\Y", Access::Read);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->QueryString("Name"), "Ärger");
}

TEST(Registry, AnUnreadableHiveIsKeptAsideAndReported) {
    ScopedRegistry registry;
    const std::filesystem::path hive = registry.folder().path() / "user.reg";
    const std::string garbage = "this is not a hive\n[HKEY_CURRENT_USER\\Software\\Z]\n\"a\"=\"b\"\n";
    std::ofstream(hive) << garbage;

    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(Key::Open(Root::CurrentUser, "Software\\Z", Access::Read));
    std::string reported = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(reported.find("unreadable"), std::string::npos) << reported;

    // The old content is kept under another name, untouched; a write then starts a new hive.
    int kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator(registry.folder().path())) {
        if (entry.path().filename().string().starts_with("user.reg.unreadable-")) {
            ++kept;
            EXPECT_EQ(ReadText(entry.path()), garbage);
        }
    }
    EXPECT_EQ(kept, 1);
    EXPECT_FALSE(CreateKey(Root::CurrentUser, "Software\\Z").SetString("a", "c"));
    EXPECT_EQ(Key::Open(Root::CurrentUser, "Software\\Z", Access::Read)->QueryString("a"), "c");
}

TEST(Registry, MalformedLinesMakeTheHiveUnreadable) {
    const char* broken[] = {
        "Windows Registry Editor Version 5.00\n\"a\"=\"value before any key\"\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"a\"=\"unterminated\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A]\n\"a\"=dword:123456789\n",
        "Windows Registry Editor Version 5.00\n[HKEY_CURRENT_USER\\A\n",
        "",
    };
    for (const char* text : broken) {
        ScopedRegistry registry;
        std::ofstream(registry.folder().path() / "user.reg") << text;
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(KeyExists(Root::CurrentUser, "A")) << text;
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("unreadable"), std::string::npos) << text;
    }
}

constexpr int kRaceWrites = 60;

std::string RaceName(int writer, int i) {
    return "p" + std::to_string(writer) + "_" + std::to_string(i);
}

// A child's exit status: 0 when every one of its writes succeeded.
int WriteRaceValues(int writer) {
    std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\Race", Access::Write);
    int failures = key ? 0 : 1;
    for (int i = 0; key && i < kRaceWrites; ++i)
        failures += key->SetDword(RaceName(writer, i), static_cast<std::uint32_t>(i)) ? 1 : 0;
    return failures == 0 ? 0 : 1;
}

// Reads while the writers write, until it has seen every value: 0 when no read ever missed the value
// written before the race or a value that an earlier read had seen.
int ReadDuringTheRace() {
    int seen[2] = {0, 0};
    for (int reads = 0; reads < 100000 && (seen[0] < kRaceWrites || seen[1] < kRaceWrites); ++reads) {
        std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\Race", Access::Read);
        if (!key || key->QueryString("Base") != "before") return 1;
        for (int w = 0; w < 2; ++w) {
            if (seen[w] > 0 && !key->QueryDword(RaceName(w, seen[w] - 1))) return 1;
            while (seen[w] < kRaceWrites && key->QueryDword(RaceName(w, seen[w]))) ++seen[w];
        }
    }
    return seen[0] == kRaceWrites && seen[1] == kRaceWrites ? 0 : 1;
}

TEST(Registry, TwoWritersAndAReaderAtOnceLoseNothing) {
    ScopedRegistry registry;
    ASSERT_FALSE(CreateKey(Root::CurrentUser, "Software\\Race").SetString("Base", "before"));
    pid_t children[3];
    for (int c = 0; c < 3; ++c) {
        children[c] = ::fork();
        ASSERT_GE(children[c], 0);
        if (children[c] == 0) ::_exit(c < 2 ? WriteRaceValues(c) : ReadDuringTheRace());
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << child;
    }
    std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\Race", Access::Read);
    for (int w = 0; w < 2; ++w)
        for (int i = 0; i < kRaceWrites; ++i)
            EXPECT_EQ(key->QueryDword(RaceName(w, i)), static_cast<std::uint32_t>(i));
    // No temporary file is left beside the hive, and nothing was ever taken for unreadable.
    for (const auto& entry : std::filesystem::directory_iterator(registry.folder().path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
        EXPECT_EQ(entry.path().filename().string().find("unreadable"), std::string::npos) << entry.path();
    }
}

TEST(Registry, EveryUnreadableHiveOfOneSecondIsKeptUnderItsOwnName) {
    ScopedRegistry registry;
    const std::filesystem::path hive = registry.folder().path() / "user.reg";
    std::set<std::string> planted;
    for (int i = 0; i < 4; ++i) {
        planted.insert("garbage " + std::to_string(i) + "\n");
        std::ofstream(hive) << "garbage " << i << "\n";
        ::testing::internal::CaptureStderr();
        // Reads and writes alike find it unreadable and move it aside.
        if (i % 2)
            EXPECT_FALSE(KeyExists(Root::CurrentUser, "Software"));
        else
            CreateKey(Root::CurrentUser, "Software");
        ::testing::internal::GetCapturedStderr();
    }
    std::set<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(registry.folder().path()))
        if (entry.path().filename().string().starts_with("user.reg.unreadable-"))
            kept.insert(ReadText(entry.path()));
    EXPECT_EQ(kept, planted);
}

TEST(Registry, ATenMegabyteHiveIsReadWholeAndWrittenBack) {
    // With a lookup that scans every value, this took minutes instead of a second.
    ScopedRegistry registry;
    std::ofstream out(registry.folder().path() / "user.reg", std::ios::binary);
    out << "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Big]\n";
    for (int i = 0; i < 200000; ++i)
        out << "\"value " << i << "\"=\"/home/somebody/a folder/number " << i << "\"\n";
    out.close();
    std::optional<Key> key = Key::Open(Root::CurrentUser, "Software\\Big", Access::Write);
    ASSERT_TRUE(key);
    ASSERT_FALSE(key->SetDword("VALUE 100000", 5));
    EXPECT_EQ(key->QueryDword("value 100000"), 5u);
    EXPECT_EQ(key->QueryString("value 199999"), "/home/somebody/a folder/number 199999");
}

TEST(Registry, HivesLiveInTheConfigFolderByDefault) {
    ::unsetenv("LARKSPAN_REGISTRY_DIR");
    test::TempFolder home;
    ::setenv("XDG_CONFIG_HOME", home.str().c_str(), 1);
    EXPECT_EQ(HivePath(Root::CurrentUser), home.path() / "larkspan" / "user.reg");
    EXPECT_EQ(HivePath(Root::LocalMachine), std::filesystem::path("/etc/larkspan/machine.reg"));
    EXPECT_EQ(HivePath(Root::ClassesRoot), std::filesystem::path("/etc/larkspan/machine.reg"));
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace larkspan::registry
