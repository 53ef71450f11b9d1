#include "platform/hive_text.h"

#include <gtest/gtest.h>

namespace larkspan::registry {
namespace {

constexpr std::string_view kKey = "HKEY_CURRENT_USER\\Software\\Larkspan";

std::string HiveWith(std::string_view valueLines) {
    return "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Larkspan]\r\n" +
           std::string(valueLines) + "\r\n";
}

// The string value "a" of a hive's text; empty when the text is no hive or holds no such string.
std::optional<std::string> StringIn(const std::string& text) {
    Hive hive;
    std::string error;
    const Value* value = ParseHive(text, hive, error) ? hive.FindValue(kKey, "a") : nullptr;
    const std::string* string = value ? std::get_if<std::string>(value) : nullptr;
    return string ? std::optional(*string) : std::nullopt;
}

TEST(HiveText, EveryByteStringOfLengthTwoReadsBackAsItWas) {
    // Every byte value next to every other: NULs, line breaks, lead bytes cut short, stray continuations.
    for (int a = 0; a < 256; ++a) {
        for (int b = 0; b < 256; ++b) {
            const std::string text{static_cast<char>(a), static_cast<char>(b)};
            Hive hive;
            hive.SetValue(kKey, "a", text);
            ASSERT_EQ(StringIn(FormatHive(hive)), text) << a << ' ' << b;
        }
    }
}

struct ReadCase {
    const char* name;
    std::string line;      // the value line as a hive holds it
    std::string expected;  // the string it reads as
};

class HiveValueReading : public ::testing::TestWithParam<ReadCase> {};

TEST_P(HiveValueReading, ReadsWhatEarlierHivesAndExportsHold) {
    EXPECT_EQ(StringIn(HiveWith(GetParam().line)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, HiveValueReading,
    ::testing::Values(
        ReadCase{"QuotedUtf8", "\"a\"=\"Größe \\\"1\\\" C:\\\\x\"", "Größe \"1\" C:\\x"},
        ReadCase{"QuotedLatin1AsItsBytes", "\"a\"=\"caf\xe9\"", "caf\xe9"},
        ReadCase{"Utf16WithLineBreak", "\"a\"=hex(1):61,00,0a,00,e4,00,00,00", "a\n\xc3\xa4"},
        ReadCase{"Utf16OverSeveralLines", "\"a\"=hex(1):61,00,\\\r\n  0d,00,0a,00,00,00", "a\r\n"},
        ReadCase{"Utf16WithoutClosingNul", "\"a\"=hex(1):61,00,62,00", "ab"},
        ReadCase{"Utf16KeepsATrailingNulOfItsOwn", "\"a\"=hex(1):0a,00,00,00,00,00", std::string("\n\0", 2)},
        ReadCase{"EscapedBytes", "\"a\"=hex(1):ff,dc,0a,00,80,dc,00,00", "\xff\n\x80"}),
    [](const auto& info) { return info.param.name; });

struct TextCase {
    const char* name;
    std::string text;
};

class HiveRoundTrip : public ::testing::TestWithParam<TextCase> {};

TEST_P(HiveRoundTrip, FormattedAndParsedAgainItIsTheSameHive) {
    Hive parsed, again;
    std::string error;
    ASSERT_TRUE(ParseHive(GetParam().text, parsed, error)) << error;
    ASSERT_TRUE(ParseHive(FormatHive(parsed), again, error)) << error;
    EXPECT_EQ(again.sections(), parsed.sections());
}

// Hives that the fuzzer found to read otherwise once written again.
INSTANTIATE_TEST_SUITE_P(Found, HiveRoundTrip,
                         ::testing::Values(TextCase{"ContinuedValueEndedByABlankLineAfterASpace",
                                                    "REGEDIT4\n[l]\n\"\"=hex: \\\n\n"}),
                         [](const auto& info) { return info.param.name; });

TEST(HiveText, MalformedHexAndStrayHalvesAreRefused) {
    for (const char* line : {"\"a\"=hex(1):6", "\"a\"=hex(1):61", "\"a\"=hex(1):+1,00", "\"a\"=hex(1):0x,00",
                             "\"a\"=hex(1):00,d8,00,00", "\"a\"=hex(1):7f,dc,00,00"})
        EXPECT_EQ(StringIn(HiveWith(line)), std::nullopt) << line;
}

TEST(HiveText, AKeyLineMakesOneSectionHoweverDeepItsPath) {
    // Each level its own section would make this hive's size grow with the square of the line's length.
    const std::string deep = "HKEY_CURRENT_USER" + std::string(3000, '\\') + "x";
    Hive hive;
    std::string error;
    ASSERT_TRUE(
        ParseHive("Windows Registry Editor Version 5.00\n[" + deep + "]\n\"a\"=dword:1\n", hive, error));
    ASSERT_EQ(hive.sections().size(), 1u);
    EXPECT_TRUE(hive.HasKey("HKEY_CURRENT_USER\\\\"));
    EXPECT_EQ(std::get<std::uint32_t>(*hive.FindValue(deep, "a")), 1u);
}

TEST(HiveText, AHiveCutShortAnywhereNeverReadsAsOtherValues) {
    const std::string text = HiveWith(
        "\"OutDir\"=\"/home/ann/Out\"\r\n\"Lines\"=hex(1):6f,00,0a,00,74,00,00,00\r\n"
        "\"bMaximized\"=dword:01000000\r\n\"Raw\"=hex(2):25,00,50,00,\\\r\n  41,00,00,00\r\n"
        "\"AutoClose\"=dword:00000001");
    Hive whole;
    std::string wholeError;
    ASSERT_TRUE(ParseHive(text, whole, wholeError)) << wholeError;
    for (std::size_t length = 0; length < text.size(); ++length) {
        Hive cut;
        std::string error;
        if (!ParseHive(text.substr(0, length), cut, error)) continue;
        // What a cut hive holds is exactly what the whole one holds under those names.
        for (const KeySection& section : cut.sections())
            for (const auto& [name, value] : section.values)
                EXPECT_EQ(value, *whole.FindValue(section.path, name)) << "cut at " << length << ": " << name;
    }
}

}  // namespace
}  // namespace larkspan::registry
