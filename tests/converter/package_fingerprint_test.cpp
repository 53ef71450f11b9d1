// The reader of Word 2007 packages, on documents whose fingerprints are known: the project's samples and
// third-party files (their words checked against pandoc's text and the parts' XML), a package written to
// hold a known number of each thing counted (samples/source/make_fingerprint_package.py), and packages made
// byte by byte that are cut short, declare a document type, are no Word document or hold too many words.

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "converter/word_package_reader.h"
#include "zip_builder.h"

namespace larkspan::zuv0::testing {
namespace {

using ::testing::HasSubstr;

const std::filesystem::path kSamples = SAMPLES_DIR;

struct Counts {
    std::uint64_t paragraphs = 0, tables = 0, pictures = 0, objects = 0, equations = 0, comments = 0,
                  footnotes = 0, endnotes = 0, insertions = 0, deletions = 0, fields = 0;
};

struct Row {
    std::string name;
    std::function<std::string()> bytes;
    // Each story's words, space-separated: main, headers and footers, footnotes, endnotes, comments,
    // text boxes.
    std::array<std::string_view, kStories> words = {};
    Counts counts = {};
    std::string_view incomplete = {};  // what the reader says it could not read, in part
    std::string_view refused = {};     // why the reader refuses the file, in part
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
    return out << row.name;
}

std::string Sample(const std::string& name) {
    std::ifstream in(kSamples / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string Printed(const Counts& c) {
    std::ostringstream out;
    out << "paragraphs " << c.paragraphs << ", tables " << c.tables << ", pictures " << c.pictures
        << ", objects " << c.objects << ", equations " << c.equations << ", comments " << c.comments
        << ", footnotes " << c.footnotes << ", endnotes " << c.endnotes << ", insertions " << c.insertions
        << ", deletions " << c.deletions << ", fields " << c.fields;
    return out.str();
}

std::string Joined(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
    return text;
}

// The reader reads with pread from a descriptor, as it reads the source's copy and the output.
Fingerprint Read(const std::string& bytes, bool& accepted, std::string& why) {
    const int fd = ::memfd_create("package", MFD_CLOEXEC);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    Fingerprint fingerprint;
    accepted = ReadWordPackage(fd, bytes.size(), fingerprint, why);
    ::close(fd);
    return fingerprint;
}

std::string Paragraph(std::string_view text) {
    return "<w:p><w:r><w:t xml:space=\"preserve\">" + std::string(text) + "</w:t></w:r></w:p>";
}

const std::vector<Row> kRows = {
    {.name = "counts",
     .bytes = [] { return Sample("fingerprint/counts.docx"); },
     // The results of the author, date, page and IF fields are left out: a converter works them out afresh.
     .words =
         {"fingerprint of a package tracked inserted words deleted words stay more added later written by "
          "in on the a claim and another and an end remarked upon twice over "
          "two paragraphs and thrice tab separated lines arrow linked words cell one inner left inner right "
          "cell three cell four pictures sum and equation done beside the box ends here",
          "running head page page foot first page head", "first note text second note struck",
          "the only endnote", "first remark second remark amended third remark",
          "boxed words here and a second boxed line"},
     .counts = {.paragraphs = 18,
                .tables = 2,
                .pictures = 3,
                .equations = 3,
                .comments = 3,
                .footnotes = 2,
                .endnotes = 1,
                .insertions = 3,
                .deletions = 2,
                .fields = 5}},
    {.name = "memo",
     .bytes = [] { return Sample("memo.docx"); },
     .words =
         {"memo this memo is short and to the point attendees name city zoë kraków søren Århus Σημείωση μην "
          "ξεχάσετε το café"},
     .counts = {.paragraphs = 10, .tables = 1}},
    {.name = "letter",
     .bytes = [] { return Sample("letter.docx"); },
     .words =
         {"letter to the printers dear printers please find the order below delivery is urgent order title "
          "copies Привет мир 300 crème brûlée recipes 150 С уважением jörg Ødegård"},
     .counts = {.paragraphs = 10, .tables = 1}},
    {.name = "revisions",
     .bytes = [] { return Sample("revisions.docx"); },
     .words =
         {"revised notes kept text inserted by ann a sentence that was struck out zoë wrote the rest a claim "
          "that needs a source numbers are one two three",
          "", "the footnote größe matters", "", "the comment check these numbers"},
     .counts = {.paragraphs = 4, .comments = 1, .footnotes = 1, .insertions = 1, .deletions = 1}},
    {.name = "objects",
     .bytes = [] { return Sample("objects.docx"); },
     // The equation's text is no words: converted, it becomes an object.
     .words =
         {"objects in a document the energy is as the equation says the budget follows as a workbook größe "
          "after the objects"},
     .counts = {.paragraphs = 5, .objects = 1, .equations = 1}},
    {.name = "third_party_comment",
     .bytes = [] { return Sample("third-party/comment.docx"); },
     .words = {"", "", "", "", "this is the first line this is the second line"},
     .counts = {.paragraphs = 1, .comments = 1}},
    {.name = "third_party_testComment",
     .bytes = [] { return Sample("third-party/testComment.docx"); },
     // The comment's picture counts: a picture is one in any story.
     .words = {"this is a comment paragraph", "", "", "", "comment content"},
     .counts = {.paragraphs = 1, .pictures = 1, .comments = 1}},
    {.name = "shown_headers_and_field_results",
     .bytes =
         [] {
             const auto rel = [](const char* id, const char* kind, const char* target) {
                 return std::string("<Relationship Id=\"") + id +
                        "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/" +
                        kind + "\" Target=\"" + target + "\"/>";
             };
             const auto header = [](const char* text) {
                 return "<w:hdr xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">" +
                        Paragraph(text) + "</w:hdr>";
             };
             // Two sections: the first page's header shows only in the second, which has a title page;
             // no page shows the even pages' header, as the settings do not tell them apart.
             std::vector<ZipEntry> parts = WordParts(
                 "<w:p><w:r><w:t>co</w:t></w:r><w:r><w:softHyphen/><w:t>operate</w:t></w:r>"
                 "<w:r><w:fldChar w:fldCharType=\"begin\"/></w:r><w:r><w:instrText> HYPERLINK "
                 "\"https://example.org\" </w:instrText></w:r><w:r><w:fldChar w:fldCharType=\"separate\"/>"
                 "</w:r><w:r><w:t xml:space=\"preserve\"> linked text</w:t></w:r><w:r><w:fldChar "
                 "w:fldCharType=\"end\"/></w:r>"
                 "<w:fldSimple w:instr=\" date \\@ &quot;d MMMM yyyy&quot;\"><w:r><w:t>5 May 2019</w:t></w:r>"
                 "</w:fldSimple><w:r><w:t xml:space=\"preserve\"> done</w:t></w:r></w:p>"
                 "<w:p><w:pPr><w:sectPr><w:headerReference w:type=\"first\" r:id=\"rH1\"/>"
                 "<w:headerReference w:type=\"default\" r:id=\"rH2\"/></w:sectPr></w:pPr></w:p>"
                 "<w:sectPr><w:headerReference w:type=\"first\" r:id=\"rH3\"/>"
                 "<w:headerReference w:type=\"even\" r:id=\"rH4\"/><w:titlePg/></w:sectPr>",
                 {},
                 rel("rH1", "header", "h1.xml") + rel("rH2", "header", "h2.xml") +
                     rel("rH3", "header", "h3.xml") + rel("rH4", "header", "h4.xml") +
                     rel("rS", "settings", "settings.xml"));
             parts.push_back({"word/h1.xml", header("unshown first")});
             parts.push_back({"word/h2.xml", header("shown default")});
             parts.push_back({"word/h3.xml", header("shown first")});
             parts.push_back({"word/h4.xml", header("unshown even")});
             parts.push_back(
                 {"word/settings.xml",
                  "<w:settings xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
                  "<w:evenAndOddHeaders w:val=\"false\"/></w:settings>"});
             return BuildZip(parts);
         },
     .words = {"cooperate linked text done", "shown default shown first"},
     .counts = {.paragraphs = 2, .fields = 2}},
    // Two tables with no paragraph between them are one; a chart is an embedded object.
    {.name = "adjacent_tables_and_a_chart",
     .bytes =
         [] {
             const std::string table = "<w:tbl><w:tr><w:tc>" + Paragraph("cell") + "</w:tc></w:tr></w:tbl>";
             return BuildZip(WordParts(
                 table + "<w:bookmarkStart w:id=\"1\" w:name=\"b\"/>" + table + Paragraph("between") + table +
                 "<w:p><w:r><w:drawing><a:graphic xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/"
                 "main\"><a:graphicData uri=\"http://schemas.openxmlformats.org/drawingml/2006/chart\"/>"
                 "</a:graphic></w:drawing></w:r></w:p>"));
         },
     .words = {"cell cell between cell"},
     .counts = {.paragraphs = 5, .tables = 2, .objects = 1}},
    {.name = "main_part_cut_short",
     .bytes =
         [] {
             std::vector<ZipEntry> parts = WordParts("");
             parts.back().head =
                 DocumentHead() + Paragraph("Kept before the cut") + "<w:p><w:r><w:t>cut off mid";
             return BuildZip(parts);
         },
     .words = {"kept before the cut cut off mid"},
     .counts = {.paragraphs = 2},
     .incomplete = "word/document.xml is not well-formed XML"},
    {.name = "too_many_words",
     .bytes =
         [] {
             std::vector<ZipEntry> parts = WordParts("");
             parts.back() = {"word/document.xml", DocumentHead(), Paragraph("a b c d e f g h"), 300'000,
                             std::string(kDocumentTail)};
             return BuildZip(parts);
         },
     .incomplete = "holds more than 2097152 words"},
    {.name = "document_type",
     .bytes =
         [] { return BuildZip(WordParts(Paragraph("&e;"), "<!DOCTYPE w:document [<!ENTITY e \"text\">]>")); },
     .refused = "word/document.xml declares a document type"},
    {.name = "spreadsheet",
     .bytes =
         [] {
             return BuildZip(
                 {{"[Content_Types].xml",
                   "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                   "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                   "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
                  {"_rels/.rels",
                   "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                   "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                   "relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>"},
                  {"xl/workbook.xml", "<workbook/>"}});
         },
     .refused = "its main part is no Word document"},
    {.name = "encrypted",
     .bytes = [] { return Sample("third-party/bug53475-password-is-pass.docx"); },
     .refused = "not a zip package"},
};

class PackageFingerprint : public ::testing::TestWithParam<Row> {};

TEST_P(PackageFingerprint, IsKnown) {
    const Row& row = GetParam();
    const std::string bytes = row.bytes();
    ASSERT_FALSE(bytes.empty());
    bool accepted = false;
    std::string why;
    const Fingerprint fingerprint = Read(bytes, accepted, why);
    if (!row.refused.empty()) {
        EXPECT_FALSE(accepted);
        EXPECT_THAT(why, HasSubstr(std::string(row.refused)));
        return;
    }
    ASSERT_TRUE(accepted) << why;
    if (row.incomplete.empty())
        EXPECT_EQ(fingerprint.incomplete, "");
    else
        EXPECT_THAT(fingerprint.incomplete, HasSubstr(std::string(row.incomplete)));

    if (row.name == "too_many_words") {
        // Read as far as the bound, and no further.
        EXPECT_LE(fingerprint.Words(Story::Main).size(), std::size_t(2097152) + 64 * 1024);
        EXPECT_GT(fingerprint.paragraphs, 250'000u);
        return;
    }
    for (std::size_t story = 0; story < kStories; ++story)
        EXPECT_EQ(Joined(fingerprint.words[story]), row.words[story]) << "story " << story;
    const Counts counts{fingerprint.paragraphs, fingerprint.tables,    fingerprint.pictures,
                        fingerprint.objects,    fingerprint.equations, fingerprint.comments,
                        fingerprint.footnotes,  fingerprint.endnotes,  fingerprint.insertions,
                        fingerprint.deletions,  fingerprint.fields};
    EXPECT_EQ(Printed(counts), Printed(row.counts));
}

INSTANTIATE_TEST_SUITE_P(Documents, PackageFingerprint, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace larkspan::zuv0::testing
