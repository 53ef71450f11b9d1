#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace larkspan {
namespace {

struct ArgvCase {
    const char* name;
    std::vector<const char*> argv;
    CommandLineArguments expected;
};

class CommandLineSplit : public ::testing::TestWithParam<ArgvCase> {};

TEST_P(CommandLineSplit, TakesTheFirstThreeArguments) {
    const ArgvCase& c = GetParam();
    CommandLineArguments got = CommandLineArguments::FromArgv(static_cast<int>(c.argv.size()), c.argv.data());
    EXPECT_EQ(got.source, c.expected.source);
    EXPECT_EQ(got.format, c.expected.format);
    EXPECT_EQ(got.output, c.expected.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineSplit,
    ::testing::Values(ArgvCase{"None", {"larkspan"}, {"", "", ""}},
                      ArgvCase{"SourceOnly", {"larkspan", "/d/*.doc"}, {"/d/*.doc", "", ""}},
                      ArgvCase{
                          "Three", {"larkspan", "/d/*.doc", "DOCX", "/out/"}, {"/d/*.doc", "DOCX", "/out/"}},
                      ArgvCase{"FourthIgnored", {"larkspan", "a", "b", "c", "d"}, {"a", "b", "c"}},
                      ArgvCase{"EmptyFirst", {"larkspan", "", "docx", "/out"}, {"", "docx", "/out"}},
                      ArgvCase{"SpacesKept",
                               {"larkspan", "/my docs/*.doc", "doc", "/out dir"},
                               {"/my docs/*.doc", "doc", "/out dir"}}),
    [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace larkspan
