// End-to-end tests of Zuv0 with the real LibreOffice, on real documents. What Zuv0 wrote is read back
// by programs that share nothing with LibreOffice: pandoc for .docx, catdoc for .doc.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "word_processor_files.h"
#include "zip_builder.h"

namespace larkspan::zuv0::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::StartsWith;

Finished Zuv0(const std::vector<std::string>& args, std::vector<std::string> environment = {}) {
    std::vector<std::string> argv = {kZuv0.string()};
    argv.insert(argv.end(), args.begin(), args.end());
    // The suite's cache, unless the test brought its own.
    if (std::none_of(environment.begin(), environment.end(),
                     [](const std::string& entry) { return entry.starts_with("XDG_CACHE_HOME="); }))
        environment.push_back("XDG_CACHE_HOME=" + kCacheHome.string());
    return Run(argv, environment);
}

Finished Convert(const fs::path& source, const fs::path& target, std::vector<std::string> environment = {}) {
    return Zuv0({"-f", source.string(), target.string()}, std::move(environment));
}

std::string LowerExtension(const fs::path& file) {
    std::string extension = file.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

bool HasMagic(const fs::path& file, std::string_view magic) {
    return ReadText(file).starts_with(magic);
}
constexpr std::string_view kZipMagic = "PK\x03\x04";
constexpr std::string_view kCompoundMagic = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

mode_t CurrentUmask() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

void ExpectConverted(const Finished& run) {
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    EXPECT_FALSE(run.timedOut);
}

// A refusal: the status, one line naming the reason, nothing on standard output.
void ExpectRefused(const Finished& run, int exitCode, const std::string& reason) {
    EXPECT_EQ(run.exitCode, exitCode) << run.err;
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> lines = Lines(run.err);
    ASSERT_EQ(lines.size(), 1u) << run.err;
    EXPECT_THAT(lines[0], StartsWith("Zuv0: " + reason + ": "));
}

class Zuv0Test : public ::testing::Test {
protected:
    TempFolder folder_;
};

// ---- sample documents in both directions ---------------------------------------------------------------

struct SampleCase {
    std::string name;
    std::string sample;
    std::string sourceName;  // the sample is copied under this name
    std::string targetName;
    std::vector<std::string> expected;  // in the read-back text
    std::vector<std::string> environment = {};
    std::string loss = {};  // what the check finds LibreOffice lost, in part; empty: nothing
};

// Rows print as their names, which keeps the names of the discovered tests short and stable.
void PrintTo(const SampleCase& row, std::ostream* out) {
    *out << row.name;
}

class ConvertsSample : public Zuv0Test, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(ConvertsSample, TextAndFormattingSurvive) {
    const SampleCase& row = GetParam();
    const fs::path source = folder_ / row.sourceName;
    const fs::path target = folder_ / row.targetName;
    fs::copy_file(kSamples / row.sample, source);

    const Finished run = Convert(source, target, row.environment);

    if (row.loss.empty()) {
        ExpectConverted(run);
    } else {
        // A real loss: said on one line, and the file still converted.
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_THAT(run.err, ::testing::MatchesRegex("Zuv0: converted, but .*" + row.loss + ".*: " + ".*" +
                                                     row.targetName + "\n"));
    }
    ASSERT_TRUE(fs::exists(target));
    // Exactly the source and the target: no temporary, no lock file, nothing LibreOffice left.
    EXPECT_THAT(FolderNames(folder_.path()), ::testing::UnorderedElementsAre(row.sourceName, row.targetName));
    EXPECT_TRUE(HasMagic(target, LowerExtension(target) == ".docx" ? kZipMagic : kCompoundMagic));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              static_cast<fs::perms>(0666 & ~CurrentUmask()));
    const std::string text = ReadBack(target);
    for (const std::string& expected : row.expected) EXPECT_THAT(text, HasSubstr(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Samples, ConvertsSample,
    ::testing::Values(SampleCase{"DocToDocx",
                                 "report.doc",
                                 "report.doc",
                                 "report.docx",
                                 {"# Quarterly report", "## Measurements", "**bold in places**",
                                  "*italic in others*", "Die Größe der Straße ändert sich", "naïve café",
                                  "Ελληνικά", "Καλημέρα κόσμε"}},
                      SampleCase{"DocxToDoc",
                                 "letter.docx",
                                 "letter.docx",
                                 "letter.doc",
                                 {"Letter to the printers", "Привет, мир", "Crème brûlée recipes",
                                  "С уважением, Jörg Ødegård"}},
                      SampleCase{"UpperCaseDocToDocx",
                                 "report.doc",
                                 "REPORT.DOC",
                                 "REPORT.DOCX",
                                 {"# Quarterly report", "Καλημέρα κόσμε"}},
                      SampleCase{"UpperCaseDocxToDoc",
                                 "memo.docx",
                                 "MEMO.DOCX",
                                 "MEMO.DOC",
                                 {"Memo", "Zoë", "Kraków", "Σημείωση: μην ξεχάσετε το café."}},
                      SampleCase{"DocxToDocx",
                                 "memo.docx",
                                 "memo.docx",
                                 "memo copy.docx",
                                 {"**short**", "*to the point*", "Søren"}},
                      SampleCase{"NamesWithSymbols",
                                 "report.doc",
                                 "Größe #1 50%; [x].doc",
                                 "Größe #1 50%; [x].docx",
                                 {"Quarterly report"}},
                      // What would end a quoted argument of a macro's URL, or start another.
                      SampleCase{"NamesWithQuotesAndBrackets",
                                 "letter.docx",
                                 "a \"b\", c) (d' & e.docx",
                                 "a \"b\", c) (d' & e.doc",
                                 {"Letter to the printers"}},
                      // LibreOffice reads file names through the locale's character set.
                      SampleCase{"NonAsciiNameUnderCLocale",
                                 "letter.docx",
                                 "Письмо.docx",
                                 "Письмо.doc",
                                 {"Привет, мир"},
                                 {"LC_ALL=C", "LANG=C"}},
                      // LibreOffice's document view loads a comment only with Writer's UI files installed.
                      SampleCase{"RevisionsNotesAndCommentDocxToDoc",
                                 "revisions.docx",
                                 "revisions.docx",
                                 "revisions.doc",
                                 {"Kept text inserted by Ann", "a sentence that was struck out",
                                  "The footnote: Größe matters.", "The comment: check these numbers."}},
                      SampleCase{"RevisionsNotesDocxToDocx",
                                 "revisions.docx",
                                 "revisions.docx",
                                 "revised.docx",
                                 {"[inserted by Ann]{.insertion author=\"Ann Editor\"",
                                  "[a sentence that was struck out]{.deletion author=\"Bob Reviewer\"",
                                  "[^1]: The footnote: Größe matters."}},
                      // Made by other programs (samples/third-party/README.md).
                      SampleCase{"Word2DocToDocx",
                                 "third-party/word2.doc",
                                 "word2.doc",
                                 "word2.docx",
                                 {"Member of 3GPP (ARIB)", "Mr. Benni Alexander", "3GPPMEMBER (CCSA)"}},
                      // Its allocation table marks unused sectors past the end of the file as ends of chains.
                      SampleCase{"EndOfChainMarksPastTheEnd",
                                 "third-party/47950_normal.doc",
                                 "normal.doc",
                                 "normal.docx",
                                 {"This is a sample Word document"}},
                      SampleCase{"OnlyACommentDocxToDoc",
                                 "third-party/comment.docx",
                                 "comment.docx",
                                 "comment.doc",
                                 {"This is the first line", "This is the second line"}},
                      // LibreOffice drops the picture in its comment.
                      SampleCase{"CommentOnARangeDocxToDocx",
                                 "third-party/testComment.docx",
                                 "commented.docx",
                                 "commented copy.docx",
                                 {"this is a [comment content]{.comment-start", "paragraph!"},
                                 {},
                                 "the picture was lost"},
                      SampleCase{"FootnoteEndnoteAndCommentDocToDocx",
                                 "third-party/footnote.doc",
                                 "footnote.doc",
                                 "footnote.docx",
                                 {"Test text", "[^1]: TestFootnote", "[^2]: TestEndnote"}},
                      SampleCase{"RevisionMarksDocToDocx",
                                 "third-party/MarkAuthorsTable.doc",
                                 "marks.doc",
                                 "marks.docx",
                                 {"The Lifecycle of a Project", "{.insertion", "{.deletion",
                                  "Adding something here for tracked changes"}}),
    [](const auto& info) { return info.param.name; });

// An equation and an embedded workbook, as Word writes them, go into the .doc and come back out of it:
// LibreOffice keeps them only with its Math and Calc parts installed, and drops them silently without.
TEST_F(Zuv0Test, AnEquationAndAnEmbeddedWorkbookSurviveTheDoc) {
    const fs::path source = folder_ / "objects.docx", doc = folder_ / "objects.doc";
    const fs::path back = folder_ / "back.docx", workbook = folder_ / "budget.xlsx";
    fs::copy_file(kSamples / "objects.docx", source);
    ExpectConverted(Convert(source, doc));
    ExpectConverted(Convert(doc, back));

    // pandoc shows the equation in TeX: $\text{E=mc}^{2}$.
    const std::string text = ReadBack(back);
    EXPECT_THAT(text, HasSubstr("E=mc"));
    EXPECT_THAT(text, HasSubstr("^{2}$, as the equation says."));
    const Finished embedded = testing::Run({"unzip", "-p", back.string(), "word/embeddings/*.xlsx"});
    ASSERT_EQ(embedded.exitCode, 0) << "no workbook in the document: " << embedded.err;
    WriteBytes(workbook, embedded.out);
    EXPECT_THAT(testing::Run({"unzip", "-p", workbook.string(), "xl/worksheets/*.xml"}).out,
                HasSubstr("<v>4711</v>"));
}

// ---- other content under a Word name -------------------------------------------------------------------

struct ContentCase {
    std::string name;
    std::string bytes;
    std::vector<std::string> expected;
};

void PrintTo(const ContentCase& row, std::ostream* out) {
    *out << row.name;
}

std::string Utf16LeWithBom(std::u16string_view text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

// A Word package whose parts lie in `folder` instead of word/: only the package's index and relationships
// name the main part, as the format allows. With `keepMain` false the main part itself is left out.
std::string WordPackageIn(std::string_view folder, std::string_view body, bool keepMain = true) {
    std::vector<ZipEntry> parts;
    for (ZipEntry part : WordParts(body)) {
        for (std::string* text : {&part.name, &part.head})
            for (std::size_t at = text->find("word/"); at != std::string::npos; at = text->find("word/", at))
                text->replace(at, 5, std::string(folder) + "/");
        if (keepMain || !part.name.ends_with("/document.xml")) parts.push_back(std::move(part));
    }
    return BuildZip(parts);
}

class ConvertsContentNamedDoc : public Zuv0Test, public ::testing::WithParamInterface<ContentCase> {};

TEST_P(ConvertsContentNamedDoc, ByWhatItHolds) {
    const ContentCase& row = GetParam();
    const fs::path source = folder_ / "letter.doc";
    const fs::path target = folder_ / "letter.docx";
    WriteBytes(source, row.bytes);

    ExpectConverted(Convert(source, target));

    ASSERT_TRUE(HasMagic(target, kZipMagic));
    const std::string text = ReadBack(target);
    for (const std::string& expected : row.expected) EXPECT_THAT(text, HasSubstr(expected));
}

INSTANTIATE_TEST_SUITE_P(
    Content, ConvertsContentNamedDoc,
    ::testing::Values(
        ContentCase{
            "Rtf",
            "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Times;}}\\f0 Plain {\\b bold} na\\u239?ve caf\\u233? "
            "\\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?\\par}",
            {"**bold**", "naïve café", "Привет"}},
        ContentCase{
            "HtmlWithBomAndUpperCaseDoctype",
            "\xEF\xBB\xBF\n  <!DOCTYPE HTML>\n<html><head><meta charset=\"utf-8\"><title>t</title></head>"
            "<body><h1>Notice</h1><p><i>Größe</i> und Übermaß</p></body></html>\n",
            {"# Notice", "*Größe*", "Übermaß"}},
        ContentCase{"HtmlOpeningWithComment",
                    "<!-- saved by hand -->\n<html><body><p><b>Καλημέρα</b></p></body></html>",
                    {"**Καλημέρα**"}},
        ContentCase{"HtmlInUtf16",
                    Utf16LeWithBom(u"<html><body><p>Größe in UTF-16</p></body></html>"),
                    {"Größe in UTF-16"}},
        ContentCase{"Utf8Text", "First line\nnaïve café, Καλημέρα\n", {"First line", "naïve café, Καλημέρα"}},
        ContentCase{
            "Utf16Text", Utf16LeWithBom(u"Plain text in UTF-16: Größe\n"), {"Plain text in UTF-16: Größe"}},
        ContentCase{
            "Word2003Xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
            "<?mso-application progid=\"Word.Document\"?>\n"
            "<w:wordDocument xmlns:w=\"http://schemas.microsoft.com/office/word/2003/wordml\"><w:body>"
            "<w:p><w:r><w:t>Größe in Word 2003 XML</w:t></w:r></w:p></w:body></w:wordDocument>\n",
            {"Größe in Word 2003 XML"}},
        ContentCase{"WordPackageWithItsMainPartElsewhere",
                    WordPackageIn("text", "<w:p><w:r><w:t>Main part in text/: Größe</w:t></w:r></w:p>"),
                    {"Main part in text/: Größe"}},
        ContentCase{
            "OpenDocumentText", ReadText(kSamples / "revisions.odt"), {"[^1]: The footnote: Größe matters."}},
        ContentCase{"FlatOpenDocumentText",
                    ReadText(kSamples / "source" / "revisions.fodt"),
                    {"[inserted by Ann]{.insertion", "[^1]: The footnote: Größe matters."}},
        // Other word processors' files, as old archives hold them under a .doc name (word_processor_files.h).
        ContentCase{"WordPerfect5",
                    WordPerfect5("Minutes kept in WordPerfect five\nSecond paragraph\n"),
                    {"Minutes kept in WordPerfect five", "Second paragraph"}},
        ContentCase{"WordPerfect6",
                    WordPerfect6("Minutes kept in WordPerfect six\nSecond paragraph\n"),
                    {"Minutes kept in WordPerfect six", "Second paragraph"}},
        ContentCase{"WordPerfect42",
                    "Minutes kept in WordPerfect \x9D"
                    "four\x9C\r\nSecond paragraph\r\n",
                    {"Minutes kept in WordPerfect **four**", "Second paragraph"}},
        ContentCase{"WordForDos",
                    WordForDos("Minutes kept in Word for DOS\nSecond paragraph\n"),
                    {"Minutes kept in Word for DOS", "Second paragraph"}}),
    [](const auto& info) { return info.param.name; });

// ---- refusals ------------------------------------------------------------------------------------------

struct RefusalCase {
    std::string name;
    // Makes the source in the folder and returns its path.
    std::function<fs::path(const fs::path& folder)> makeSource;
    std::string targetName;
    int exitCode;
    std::string reason;
    std::string detail = {};  // in the line's parentheses, when given
};

fs::path Copy(const fs::path& folder, const std::string& sample, const std::string& name) {
    fs::copy_file(kSamples / sample, folder / name);
    return folder / name;
}

// The first `keep` bytes of a sample, or all but the last `-keep` when negative.
fs::path Truncated(const fs::path& folder, const std::string& sample, long keep, const std::string& name) {
    std::string bytes = ReadText(kSamples / sample);
    bytes.resize(keep >= 0 ? static_cast<std::size_t>(keep) : bytes.size() - static_cast<std::size_t>(-keep));
    WriteBytes(folder / name, bytes);
    return folder / name;
}

fs::path Written(const fs::path& folder, const std::string& name, const std::string& bytes) {
    WriteBytes(folder / name, bytes);
    return folder / name;
}

constexpr std::string_view kOneLetterParagraph = "<w:p><w:r><w:t>a</w:t></w:r></w:p>";

// A Word package whose word/document.xml is `count` copies of `paragraph`, declaring `declared` as its size
// when given.
fs::path Inflating(const fs::path& folder, std::string_view paragraph, std::size_t count,
                   std::optional<std::uint64_t> declared = std::nullopt) {
    std::vector<ZipEntry> parts = WordParts({});
    ZipEntry& document = parts.back();
    document = {document.name, DocumentHead(), std::string(paragraph), count, std::string(kDocumentTail)};
    document.declaredSize = declared;
    return Written(folder, "inflating.docx", BuildZip(parts));
}

// A body of tables nested `depth` deep.
std::string NestedTables(int depth) {
    std::string body;
    for (int i = 0; i < depth; ++i) body += "<w:tbl><w:tr><w:tc>";
    body += "<w:p/>";
    for (int i = 0; i < depth; ++i) body += "</w:tc></w:tr></w:tbl><w:p/>";
    return body;
}

// Every `from` replaced by `to` of the same length: zip entry names are not covered by checksums.
std::string Renamed(std::string bytes, std::string_view from, std::string_view to) {
    for (std::size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
    return bytes;
}

std::string RandomBytes(std::size_t count) {
    std::mt19937 generator(20240607);
    std::string bytes(count, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

void PrintTo(const RefusalCase& row, std::ostream* out) {
    *out << row.name;
}

class RefusesSource : public Zuv0Test, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusesSource, WithOneLineAndNoOutput) {
    const RefusalCase& row = GetParam();
    const fs::path source = row.makeSource(folder_.path());
    const std::vector<std::string> before = FolderNames(folder_.path());

    const Finished run = Convert(source, folder_ / row.targetName);

    ExpectRefused(run, row.exitCode, row.reason);
    if (!row.detail.empty()) {
        EXPECT_THAT(run.err, HasSubstr(" (" + row.detail));
    }
    EXPECT_FALSE(run.timedOut);
    // No target and no temporary: the folder is as it was.
    EXPECT_EQ(FolderNames(folder_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, RefusesSource,
    ::testing::Values(
        RefusalCase{"MissingSource", [](const fs::path& f) { return f / "absent.doc"; }, "absent.docx",
                    kSourceUnreadable, "source missing or unreadable"},
        RefusalCase{"FolderAsSource",
                    [](const fs::path& f) {
                        fs::create_directory(f / "folder.doc");
                        return f / "folder.doc";
                    },
                    "folder.docx", kSourceUnreadable, "source missing or unreadable"},
        // Opening a FIFO for reading would wait for a writer that never comes.
        RefusalCase{"FifoAsSource",
                    [](const fs::path& f) {
                        ::mkfifo((f / "pipe.doc").c_str(), 0600);
                        return f / "pipe.doc";
                    },
                    "pipe.docx", kSourceUnreadable, "source missing or unreadable"},
        // This LibreOffice reads a web archive as text: the result would be its headers and markup.
        RefusalCase{"WebArchive",
                    [](const fs::path& f) {
                        return Written(
                            f, "page.doc",
                            "MIME-Version: 1.0\r\nContent-Type: multipart/related; boundary=\"part\"\r\n"
                            "\r\n--part\r\nContent-Type: text/html\r\n\r\n<html><body><p>Web</p>"
                            "</body></html>\r\n--part--\r\n");
                    },
                    "page.docx", kNotADocument, "not a document"},
        // The root entry claims 2^60 bytes and its mini-stream chain loops: once, the check followed it until
        // memory ran out.
        RefusalCase{"LoopingMiniStreamChain",
                    [](const fs::path& f) {
                        return Copy(f, "../tests/fuzz/corpus/content_sniff/compound-mini-stream-chain-loop.doc",
                                    "loop.doc");
                    },
                    "loop.docx", kNotADocument, "not a document"},
        RefusalCase{"EmptyFile", [](const fs::path& f) { return Written(f, "empty.doc", ""); }, "empty.docx",
                    kNotADocument, "not a document"},
        RefusalCase{"RandomBytesNamedDocx",
                    [](const fs::path& f) { return Written(f, "noise.docx", RandomBytes(8192)); },
                    "noise.doc", kNotADocument, "not a document"},
        // A sound zip, but nothing of a Word document in it.
        RefusalCase{"ZipWithoutWordParts",
                    [](const fs::path& f) {
                        return Written(f, "other.docx",
                                       Renamed(ReadText(kSamples / "letter.docx"), "word/", "wurd/"));
                    },
                    "other.doc", kNotADocument, "not a document"},
        // Sizes no document has: refused before LibreOffice sees them, whether declared or found by
        // inflating.
        RefusalCase{"PartDeclaringAbsurdSize",
                    [](const fs::path& f) { return Inflating(f, kOneLetterParagraph, 10, 600u << 20); },
                    "inflating.doc", kNotADocument, "not a document",
                    "word/document.xml would inflate to 600 MiB"},
        RefusalCase{
            "PartsDeclaringAbsurdTotal",
            [](const fs::path& f) {
                std::vector<ZipEntry> parts = WordParts("<w:p/>");
                for (int i = 0; i < 5; ++i)
                    parts.push_back(
                        {"word/media/image" + std::to_string(i) + ".png", "x", {}, 0, {}, true, 250u << 20});
                return Written(f, "parts.docx", BuildZip(parts));
            },
            "parts.doc", kNotADocument, "not a document", "its parts would inflate to more than 1024 MiB"},
        RefusalCase{"PartHidingItsSize",
                    [](const fs::path& f) {
                        return Inflating(f, kOneLetterParagraph, (300u << 20) / kOneLetterParagraph.size(),
                                         200000);
                    },
                    "inflating.doc", kNotADocument, "not a document",
                    "word/document.xml would inflate to more than 256 MiB"},
        RefusalCase{"PartInflatingBeyondAnyRatio",
                    [](const fs::path& f) { return Inflating(f, std::string(4096, ' '), 12800); },
                    "inflating.doc", kNotADocument, "not a document",
                    "word/document.xml would inflate more than 1000-fold"},
        // LibreOffice would spend minutes laying these out.
        RefusalCase{"TablesNestedThousandsDeep",
                    [](const fs::path& f) {
                        return Written(f, "nested.docx", BuildZip(WordParts(NestedTables(5000))));
                    },
                    "nested.doc", kNotADocument, "not a document",
                    "word/document.xml nests tables more than 64 deep"},
        RefusalCase{"TablesNestedThousandsDeepOutsideWordFolder",
                    [](const fs::path& f) {
                        return Written(f, "nested.docx", WordPackageIn("text", NestedTables(5000)));
                    },
                    "nested.doc", kNotADocument, "not a document",
                    "text/document.xml nests tables more than 64 deep"},
        // The index names a main part that the package does not hold.
        RefusalCase{"WordPackageWithoutTheMainPartItNames",
                    [](const fs::path& f) {
                        return Written(f, "hollow.docx", WordPackageIn("text", "<w:p/>", false));
                    },
                    "hollow.doc", kNotADocument, "not a document", "a zip archive without a Word document in it"},
        RefusalCase{"TruncatedDoc",
                    [](const fs::path& f) { return Truncated(f, "report.doc", 6000, "cut.doc"); }, "cut.docx",
                    kNotADocument, "not a document"},
        // LibreOffice alone loads this one without complaint and saves what it read.
        RefusalCase{"DocMissingItsLastBytes",
                    [](const fs::path& f) { return Truncated(f, "report.doc", -76, "cut.doc"); }, "cut.docx",
                    kNotADocument, "not a document"},
        RefusalCase{"Word2MissingItsLastBytes",
                    [](const fs::path& f) { return Truncated(f, "third-party/word2.doc", -100, "cut.doc"); },
                    "cut.docx", kNotADocument, "not a document"},
        RefusalCase{"TruncatedDocx",
                    [](const fs::path& f) { return Truncated(f, "letter.docx", 3000, "cut.docx"); },
                    "cut.doc", kNotADocument, "not a document"},
        RefusalCase{"DocxMissingItsLastBytes",
                    [](const fs::path& f) { return Truncated(f, "letter.docx", -10, "cut.docx"); }, "cut.doc",
                    kNotADocument, "not a document"},
        // Text in an 8-bit character set: LibreOffice would turn its accented letters into replacement marks.
        RefusalCase{"Latin1Text",
                    [](const fs::path& f) { return Written(f, "latin.doc", "Plain na\xEFve caf\xE9\n"); },
                    "latin.docx", kNotADocument, "not a document"},
        // A sound compound file, but no Word document in it.
        RefusalCase{"CompoundFileWithoutWordStream",
                    [](const fs::path& f) {
                        return Written(
                            f, "other.doc",
                            Renamed(ReadText(kSamples / "report.doc"), std::string("W\0o\0r\0d\0D\0o\0c", 13),
                                    std::string("X\0o\0r\0d\0D\0o\0c", 13)));
                    },
                    "other.docx", kNotADocument, "not a document"},
        RefusalCase{"PasswordProtected",
                    [](const fs::path& f) { return Copy(f, "password/protected.doc", "secret.doc"); },
                    "secret.docx", kPasswordProtected, "password protected"},
        // An encrypted Word 2007 package is a compound file; LibreOffice alone calls it unreadable.
        RefusalCase{
            "EncryptedWordPackage",
            [](const fs::path&
                   f) { return Copy(f, "third-party/bug53475-password-is-pass.docx", "secret.docx"); },
            "secret.doc", kPasswordProtected, "password protected"},
        RefusalCase{"TargetWithoutExtension",
                    [](const fs::path& f) { return Copy(f, "report.doc", "report.doc"); }, "report",
                    kSaveFailed, "save failed"},
        RefusalCase{"TargetFolderMissing",
                    [](const fs::path& f) { return Copy(f, "report.doc", "report.doc"); },
                    "absent/report.docx", kCannotWriteTarget, "save failed"},
        // Loaded by the engine, then no format to save in: the failure comes after LibreOffice worked.
        RefusalCase{"TargetFormatUnknown",
                    [](const fs::path& f) { return Copy(f, "report.doc", "report.doc"); }, "report.xyz",
                    kSaveFailed, "save failed"}),
    [](const auto& info) { return info.param.name; });

// ---- usage ---------------------------------------------------------------------------------------------

struct UsageCase {
    std::string name;
    std::vector<std::string> args;
};

void PrintTo(const UsageCase& row, std::ostream* out) {
    *out << row.name;
}

class RejectsUsage : public Zuv0Test, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(RejectsUsage, WithTheUsageLine) {
    const Finished run = Zuv0(GetParam().args);
    EXPECT_EQ(run.exitCode, kUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(Lines(run.err), ElementsAre("usage: Zuv0 -f SOURCE TARGET"));
}

INSTANTIATE_TEST_SUITE_P(Arguments, RejectsUsage,
                         ::testing::Values(UsageCase{"None", {}}, UsageCase{"OptionOnly", {"-f"}},
                                           UsageCase{"NoTarget", {"-f", "a.doc"}},
                                           UsageCase{"WrongOption", {"-t", "a.doc", "b.docx"}},
                                           UsageCase{"ExtraArgument", {"-f", "a.doc", "b.docx", "c.docx"}},
                                           UsageCase{"EmptySource", {"-f", "", "b.docx"}}),
                         [](const auto& info) { return info.param.name; });

// ---- no engine -----------------------------------------------------------------------------------------

struct EngineCase {
    std::string name;
    // Fills the folder that LARKSPAN_LIBREOFFICE will name.
    std::function<void(const fs::path& folder)> makeFolder;
};

void PrintTo(const EngineCase& row, std::ostream* out) {
    *out << row.name;
}

class ReportsMissingEngine : public Zuv0Test, public ::testing::WithParamInterface<EngineCase> {};

TEST_P(ReportsMissingEngine, AndWritesNothing) {
    const fs::path program = folder_ / "program";
    fs::create_directory(program);
    GetParam().makeFolder(program);
    const fs::path source = Copy(folder_.path(), "report.doc", "report.doc");

    const Finished run =
        Convert(source, folder_ / "report.docx", {"LARKSPAN_LIBREOFFICE=" + program.string()});

    ExpectRefused(run, kEngineMissing, "engine missing");
    EXPECT_THAT(FolderNames(folder_.path()), ElementsAre("program", "report.doc"));
}

// Serving, the same comes as the start frame, and nothing is read.
TEST_P(ReportsMissingEngine, InServeModeAsTheStartFrame) {
    const fs::path program = folder_ / "program";
    fs::create_directory(program);
    GetParam().makeFolder(program);
    const std::vector<std::string> environment = {"LARKSPAN_LIBREOFFICE=" + program.string()};
    const fs::path source = Copy(folder_.path(), "report.doc", "report.doc");
    const Finished single = Convert(source, folder_ / "report.docx", environment);
    const std::vector<std::string> singleLines = Lines(single.err);
    ASSERT_EQ(singleLines.size(), 1u);

    const Finished served = Zuv0({"--serve"}, environment);

    EXPECT_EQ(served.exitCode, kEngineMissing);
    // The same words, as fields: the folder it is about, and the detail.
    const std::string prefix = "Zuv0: engine missing: " + program.string() + " (";
    ASSERT_THAT(singleLines[0], StartsWith(prefix));
    const std::string detail =
        singleLines[0].substr(prefix.size(), singleLines[0].size() - prefix.size() - 1);
    EXPECT_EQ(served.out, engine_protocol::AnswerFrame(0, ExitCode::EngineMissing, program.string(), detail));
    EXPECT_EQ(served.err, "");
}

INSTANTIATE_TEST_SUITE_P(Engine, ReportsMissingEngine,
                         ::testing::Values(EngineCase{"EmptyFolder", [](const fs::path&) {}},
                                           // Present but not loadable: LibreOfficeKit's start fails.
                                           EngineCase{"LibraryThatDoesNotLoad",
                                                      [](const fs::path& folder) {
                                                          WriteBytes(folder / "libsofficeapp.so",
                                                                     "not a library");
                                                      }}),
                         [](const auto& info) { return info.param.name; });

// LibreOffice starts, but the module that reaches its API is not beside the program: told as a missing
// engine, with the file it looked for, and LibreOffice is shut down as after any run.
TEST_F(Zuv0Test, ReportsItsMissingModuleAsAMissingEngine) {
    const fs::path program = folder_ / "alone" / "Zuv0";
    fs::create_directory(program.parent_path());
    fs::copy_file(kZuv0, program);
    const fs::path source = Copy(folder_.path(), "report.doc", "report.doc");

    const Finished run =
        larkspan::test::Run({program.string(), "-f", source.string(), (folder_ / "report.docx").string()},
                            {"XDG_CACHE_HOME=" + kCacheHome.string()});

    ExpectRefused(run, kEngineMissing, "engine missing");
    EXPECT_THAT(run.err, HasSubstr((program.parent_path() / "libzuv0_office.so").string()));
    EXPECT_THAT(FolderNames(folder_.path()), ElementsAre("alone", "report.doc"));
}

// ---- an existing target --------------------------------------------------------------------------------

constexpr const char* kOldContents = "the previous conversion";

TEST_F(Zuv0Test, FailedLoadKeepsExistingTarget) {
    const fs::path source = Copy(folder_.path(), "password/protected.doc", "secret.doc");
    WriteBytes(folder_ / "secret.docx", kOldContents);

    ExpectRefused(Convert(source, folder_ / "secret.docx"), kPasswordProtected, "password protected");

    EXPECT_EQ(ReadText(folder_ / "secret.docx"), kOldContents);
    EXPECT_THAT(FolderNames(folder_.path()), ElementsAre("secret.doc", "secret.docx"));
}

TEST_F(Zuv0Test, FailedSaveKeepsExistingTarget) {
    const fs::path source = Copy(folder_.path(), "report.doc", "report.doc");
    WriteBytes(folder_ / "report.xyz", kOldContents);

    ExpectRefused(Convert(source, folder_ / "report.xyz"), kSaveFailed, "save failed");

    EXPECT_EQ(ReadText(folder_ / "report.xyz"), kOldContents);
    EXPECT_THAT(FolderNames(folder_.path()), ElementsAre("report.doc", "report.xyz"));
}

TEST_F(Zuv0Test, SuccessReplacesExistingTarget) {
    const fs::path source = Copy(folder_.path(), "letter.docx", "letter.docx");
    WriteBytes(folder_ / "letter.doc", kOldContents);

    ExpectConverted(Convert(source, folder_ / "letter.doc"));

    EXPECT_TRUE(HasMagic(folder_ / "letter.doc", kCompoundMagic));
    EXPECT_THAT(ReadBack(folder_ / "letter.doc"), HasSubstr("Привет, мир"));
    EXPECT_THAT(FolderNames(folder_.path()), ElementsAre("letter.doc", "letter.docx"));
}

// ---- runs at the same time -----------------------------------------------------------------------------

TEST_F(Zuv0Test, TwoRunsAtOnceBothSucceed) {
    const fs::path report = Copy(folder_.path(), "report.doc", "report.doc");
    const fs::path letter = Copy(folder_.path(), "letter.docx", "letter.docx");
    const std::vector<std::string> environment = {"XDG_CACHE_HOME=" + kCacheHome.string()};

    Child first({kZuv0.string(), "-f", report.string(), (folder_ / "report.docx").string()}, environment);
    Child second({kZuv0.string(), "-f", letter.string(), (folder_ / "letter.doc").string()}, environment);
    ExpectConverted(first.Wait());
    ExpectConverted(second.Wait());

    EXPECT_THAT(ReadBack(folder_ / "report.docx"), HasSubstr("Καλημέρα κόσμε"));
    EXPECT_THAT(ReadBack(folder_ / "letter.doc"), HasSubstr("Привет, мир"));
}

// Holds the lock of profile slot `number` under cache, as a running Zuv0 would.
class SlotHolder {
public:
    explicit SlotHolder(int number, const fs::path& cache = kCacheHome) {
        const fs::path root = cache / "larkspan";
        fs::create_directories(root);
        const fs::path lock = root / ("profile-" + std::to_string(number) + ".lock");
        fd_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        // Waits out a Zuv0 of another test that may hold the slot right now.
        if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) ADD_FAILURE() << "cannot lock " << lock;
    }
    ~SlotHolder() {
        if (fd_ >= 0) ::close(fd_);
    }
    SlotHolder(const SlotHolder&) = delete;
    SlotHolder& operator=(const SlotHolder&) = delete;

private:
    int fd_ = -1;
};

constexpr int kSlotCount = 8;

TEST_F(Zuv0Test, BusySlotsAreSkipped) {
    std::vector<std::unique_ptr<SlotHolder>> held;
    for (int number = 0; number < kSlotCount - 1; ++number)
        held.push_back(std::make_unique<SlotHolder>(number));
    const fs::path source = Copy(folder_.path(), "memo.docx", "memo.docx");

    ExpectConverted(Convert(source, folder_ / "memo.doc"));

    EXPECT_THAT(ReadBack(folder_ / "memo.doc"), HasSubstr("Kraków"));
    EXPECT_TRUE(
        fs::is_directory(kCacheHome / "larkspan" / ("profile-" + std::to_string(kSlotCount - 1)) / "user"));
}

TEST_F(Zuv0Test, AllSlotsBusyStillConvertsAndCleansUp) {
    // A cache of its own: the throwaway profiles of other tests' runs are theirs to remove.
    const TempFolder cache;
    std::vector<std::unique_ptr<SlotHolder>> held;
    for (int number = 0; number < kSlotCount; ++number)
        held.push_back(std::make_unique<SlotHolder>(number, cache.path()));
    const fs::path source = Copy(folder_.path(), "memo.docx", "memo.docx");

    ExpectConverted(Convert(source, folder_ / "memo.doc", {"XDG_CACHE_HOME=" + cache.path().string()}));

    EXPECT_THAT(ReadBack(folder_ / "memo.doc"), HasSubstr("Kraków"));
    for (const std::string& name : FolderNames(cache.path() / "larkspan"))
        EXPECT_THAT(name, ::testing::Not(StartsWith("throwaway-")));
}

}  // namespace
}  // namespace larkspan::zuv0::testing
