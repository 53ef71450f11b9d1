#include <gtest/gtest.h>

#include "mainwindow/main_window.h"

namespace larkspan {
namespace {

TEST(NumberText, SizesInWholeKilobytes) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 KB"},
        {1, "1 KB"},
        {1023, "1 KB"},
        {1024, "1 KB"},
        {2047, "1 KB"},
        {2048, "2 KB"},
        {1048576, "1,024 KB"},
        {3000000000ull, "2,929,687 KB"},
        // Past 4 GiB the full length counts, not its low 32 bits.
        {5368709120ull, "5,242,880 KB"},
    };
    for (const auto& [size, text] : cases) EXPECT_EQ(FormatSizeText(size), text) << size;
}

TEST(NumberText, GroupsTheIntegerPartInThrees) {
    const struct {
        double value;
        int decimals;
        const char* text;
    } cases[] = {
        {0, 0, "0"},
        {999, 0, "999"},
        {1000, 0, "1,000"},
        {1234567, 0, "1,234,567"},
        {-123, 0, "-123"},
        {-1234, 0, "-1,234"},
        {-123456, 0, "-123,456"},
        {1234.5, 1, "1,234.5"},
        {12.345, 2, "12.35"},
        {1000000.25, 2, "1,000,000.25"},
        {100, 0, "100"},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatGrouped(c.value, c.decimals), c.text) << c.value;
}

}  // namespace
}  // namespace larkspan
