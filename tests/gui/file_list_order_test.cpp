// CompareEntries and the minute text it orders dates by.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "mainwindow/file_list_order.h"

namespace larkspan {
namespace {

constexpr std::time_t kMinute = 1236261600;  // 2009-03-05 14:00:00 UTC

FileListEntry Entry(std::string name, std::uint64_t size = 0, std::string type = "t",
                    std::optional<std::time_t> time = kMinute) {
    return FileListEntry{std::move(name), size, std::move(type), time};
}

struct CompareCase {
    const char* label;
    FileListEntry first;
    FileListEntry second;
    int column;
    int expected;  // ascending; descending expects the opposite
};

void PrintTo(const CompareCase& c, std::ostream* out) {
    *out << c.label;
}

class CompareEntriesTest : public ::testing::TestWithParam<CompareCase> {};

TEST_P(CompareEntriesTest, AscendingGivesTheRuleAndDescendingItsOpposite) {
    const CompareCase& c = GetParam();
    EXPECT_EQ(CompareEntries(c.first, c.second, {1, c.column}), c.expected);
    EXPECT_EQ(CompareEntries(c.first, c.second, {0, c.column}), -c.expected);
    EXPECT_EQ(CompareEntries(c.second, c.first, {1, c.column}), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Columns, CompareEntriesTest,
    ::testing::Values(CompareCase{"UpperCaseBeforeLowerCase", Entry("a.doc"), Entry("B.DOC"), kColumnName, 1},
                      CompareCase{"DigitsBeforeLetters", Entry("1.doc"), Entry("a.doc"), kColumnName, -1},
                      CompareCase{"HighBytesAfterAscii", Entry("\xc3\xa9.doc"), Entry("z.doc"), kColumnName,
                                  1},
                      CompareCase{"PrefixFirst", Entry("a"), Entry("a.doc"), kColumnName, -1},
                      CompareCase{"SameName", Entry("a.doc"), Entry("a.doc"), kColumnName, 0},
                      CompareCase{"SizesAsNumbersNotTexts", Entry("x", 10), Entry("x", 9), kColumnSize, 1},
                      CompareCase{"SizesPast4GiB", Entry("x", 5'000'000'000ull), Entry("x", 705'032'704ull),
                                  kColumnSize, 1},
                      CompareCase{"EqualSizes", Entry("a", 7), Entry("b", 7), kColumnSize, 0},
                      CompareCase{"TypesByteWise", Entry("x", 0, "Word document"),
                                  Entry("x", 0, "word document"), kColumnType, -1},
                      CompareCase{"SameMinuteDifferentSeconds", Entry("a", 0, "t", kMinute + 5),
                                  Entry("b", 0, "t", kMinute + 59), kColumnModifyDate, 0},
                      CompareCase{"LaterMinute", Entry("a", 0, "t", kMinute + 60),
                                  Entry("b", 0, "t", kMinute + 59), kColumnModifyDate, 1},
                      CompareCase{"UnknownTimeFirst", Entry("a", 0, "t", std::nullopt), Entry("b", 0, "t", 0),
                                  kColumnModifyDate, -1},
                      CompareCase{"OtherColumnEqual", Entry("a", 1), Entry("b", 2), 4, 0},
                      CompareCase{"NoColumnEqual", Entry("a", 1), Entry("b", 2), -1, 0}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return std::string(info.param.label); });

class ModifyTimeText : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) saved_ = tz;
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TZ", saved_->c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }
    std::optional<std::string> saved_;
};

TEST_F(ModifyTimeText, MinutesInLocalTimeAndEmptyWhenUnknown) {
    EXPECT_EQ(FormatModifyTime(kMinute + 7 * 60 + 59), "2009-03-05 14:07");
    EXPECT_EQ(FormatModifyTime(std::nullopt), "");
    ::setenv("TZ", "CET-1", 1);
    ::tzset();
    EXPECT_EQ(FormatModifyTime(kMinute), "2009-03-05 15:00");
}

}  // namespace
}  // namespace larkspan
