// The check of one conversion, with stand-ins for a converter that loses things: the source is a package
// built here, the "converted" file the same package with a part or an element left out, as a converter that
// drops it would write it. What the real engine loses is proven end to end in the command line's tests.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter/conversion_check.h"
#include "zip_builder.h"

namespace larkspan::zuv0::testing {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr std::string_view kEquation =
    "<w:p><m:oMath xmlns:m=\"http://schemas.openxmlformats.org/officeDocument/2006/math\"><m:r><m:t>E=mc2"
    "</m:t></m:r></m:oMath></w:p>";

// A document of a few paragraphs, two comments and, as asked, an equation; with `commentsPart` false the
// comments' part and its relationship are left out, as a converter that drops them leaves them.
std::string Document(bool commentsPart, bool equation, std::string_view words = "Kept words of the body") {
    std::string body = "<w:p><w:r><w:t>" + std::string(words) + "</w:t></w:r></w:p>";
    for (int id : {0, 1})
        body += "<w:p><w:r><w:t>Remarked</w:t></w:r><w:r><w:commentReference w:id=\"" + std::to_string(id) +
                "\"/></w:r></w:p>";
    if (equation) body += kEquation;
    std::vector<ZipEntry> parts =
        WordParts(body, {},
                  commentsPart ? "<Relationship Id=\"rC\" Type=\"" + std::string(kRelationships) +
                                     "comments\" Target=\"comments.xml\"/>"
                               : std::string());
    if (commentsPart)
        parts.push_back(
            {"word/comments.xml",
             "<w:comments xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
             "<w:comment w:id=\"0\"><w:p><w:r><w:t>First remark</w:t></w:r></w:p></w:comment>"
             "<w:comment w:id=\"1\"><w:p><w:r><w:t>Second remark</w:t></w:r></w:p></w:comment>"
             "</w:comments>"});
    return BuildZip(parts);
}

struct CheckCase {
    const char* name;
    std::string converted;  // what the stand-in wrote
    std::string format;
    std::vector<std::string> losses;
    const char* json;  // found in the check's JSON
};

void PrintTo(const CheckCase& row, std::ostream* out) {
    *out << row.name;
}

class Checked : public ::testing::TestWithParam<CheckCase> {};

TEST_P(Checked, NamesWhatTheConverterLost) {
    const CheckCase& row = GetParam();
    const fs::path folder = fs::temp_directory_path() / ("larkspan-check-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    const fs::path source = folder / "source.docx", converted = folder / "converted";
    std::ofstream(source, std::ios::binary) << Document(true, true);
    std::ofstream(converted, std::ios::binary) << row.converted;

    const ConversionCheck check = CheckConversion(source, ContentKind::WordPackage, converted, row.format);
    EXPECT_EQ(check.losses, row.losses);
    EXPECT_NE(check.json.find(row.json), std::string::npos) << check.json;
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(
    StandIns, Checked,
    ::testing::Values(
        CheckCase{"Faithful", Document(true, true), "docx", {}, "\"losses\":[]}"},
        CheckCase{"CommentsPartDropped",
                  Document(false, true),
                  "docx",
                  {"all 2 comments lost"},
                  "\"converted\":{\"words\":7,\"paragraphs\":4,\"tables\":0,\"pictures\":0,\"objects\":0,"
                  "\"equations\":1,\"comments\":0"},
        CheckCase{"EquationDropped",
                  Document(true, false),
                  "docx",
                  {"the equation was dropped"},
                  "\"equations\":0"},
        CheckCase{"BodyCut",
                  Document(true, true, "Kept"),
                  "docx",
                  {"57 % of the main text's words are missing"},
                  ""},
        // What cannot be read is not taken for a loss, and says why it was not checked.
        CheckCase{
            "ConvertedUnreadable", "not a package", "docx", {}, "{\"unchecked\":\"the converted file: "},
        CheckCase{
            "NoReaderForTheFormat", "{\\rtf1 }", "rtf", {}, "no reader of ours for the format converted to"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace larkspan::zuv0::testing
