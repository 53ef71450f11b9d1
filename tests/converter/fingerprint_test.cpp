// The fingerprint of Word binary documents, as our own reader takes it, on real documents: one made by the
// project with known counts (samples/fingerprint/counts.doc), the project's report, and third-party files
// from Word 97 and Word 2. The words were checked against catdoc's and LibreOffice's text of the same files,
// the counts against what LibreOffice shows in them.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "converter/fingerprint.h"
#include "converter/word_binary_reader.h"

namespace larkspan::zuv0 {
namespace {

struct Counts {
    std::uint64_t paragraphs, tables, pictures, objects, equations, comments, footnotes, endnotes, insertions,
        deletions, fields;
    bool operator==(const Counts&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Counts& c) {
    return out << "paragraphs " << c.paragraphs << ", tables " << c.tables << ", pictures " << c.pictures
               << ", objects " << c.objects << ", equations " << c.equations << ", comments " << c.comments
               << ", footnotes " << c.footnotes << ", endnotes " << c.endnotes << ", insertions "
               << c.insertions << ", deletions " << c.deletions << ", fields " << c.fields;
}

// A story's words: how many, the first of them (all of them in a short story) and the last.
struct StoryWords {
    Story story;
    std::size_t count;
    std::string_view first;
    std::string_view last = {};
};

struct Document {
    const char* file;  // below samples/
    bool readable;
    std::string_view why;  // of a refusal
    Counts counts;
    std::vector<StoryWords> words;  // the stories not named have no words
    std::string_view incomplete = {};
};

std::ostream& operator<<(std::ostream& out, const Document& d) {
    return out << d.file;
}

std::vector<std::string> Split(std::string_view text) {
    std::vector<std::string> words;
    std::istringstream in{std::string(text)};
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

const Document kDocuments[] = {
    {"fingerprint/counts.doc",
     true,
     {},
     {19, 3, 2, 0, 1, 3, 2, 1, 1, 1, 3},
     // The page count's and the title's results are left out: a converter works them out afresh.
     {{Story::Main, 62,
       "fingerprint counts sample alpha paragraph with a picture and a first note and a remark here "
       "bravo paragraph keeps inserted clause and loses uniform deleted clause old words "
       "charlie one delta two echo three foxtrot four xray yankee golf between tables sits here "
       "hotel india juliett kilo lima mike november formula with a box and an end note "
       "quebec fields pages title"},
      {Story::HeadersFooters, 6, "sierra header words tango footer page"},
      {Story::Footnotes, 6, "first footnote words second footnote words"},
      {Story::Endnotes, 3, "papa endnote words"},
      {Story::Comments, 9, "first comment words second comment words third comment words"},
      {Story::TextBoxes, 3, "oscar boxed words"}}},
    {"report.doc",
     true,
     {},
     {15, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {{Story::Main, 50,
       "quarterly report this report is bold in places and italic in others with one bold italic run "
       "measurements die größe der straße ändert sich a naïve café in zürich a façade a jalapeño item größe "
       "note widget 12 cm naïve gadget 7 cm Ελληνικά closing words Καλημέρα κόσμε the end"}}},
    {"third-party/footnote.doc",
     true,
     {},
     {1, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0},
     {{Story::Main, 2, "test text"},
      {Story::Footnotes, 1, "testfootnote"},
      {Story::Endnotes, 1, "testendnote"},
      {Story::Comments, 1, "testcomment"}}},
    // Insertions and deletions by three authors; the deleted text is still among the words.
    {"third-party/MarkAuthorsTable.doc",
     true,
     {},
     {214, 0, 1, 0, 0, 3, 0, 0, 8, 4, 0},
     {{Story::Main, 2420,
       "the lifecycle of a project cdpmf the project manager s perspective project workflow inserted from "
       "the "
       "project workflow overview document overview icontrol project management frame work is a logical my "
       "insert structure",
       "in trouble it is the sign of a project being managed proactively"},
      {Story::Comments, 9, "test comment who are the project managers what diagram"}}},
    {"third-party/47950_normal.doc",
     true,
     {},
     {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {{Story::Main, 6, "this is a sample word document"}}},
    // Word 2: its stories' words and its paragraph marks only.
    {"third-party/word2.doc",
     true,
     {},
     {102, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {{Story::Main, 893, "member of 3gpp arib mr benni alexander nokia japan co ltd 3gppmember arib fi 358",
       "33 4 92 94 42 21 adrian zoicas etsi org yes no"},
      {Story::HeadersFooters, 45,
       "participants list meeting 3gppsa5 35 bis 3gppsa5 35 bis new orleans 6 10 october 2 003 please check "
       "your coordinates cross your attendance give it back to the mcc secretary name organization status "
       "partner ctry phone email attend represented 03 10 2003 page 1 1"}},
     "a Word 2 document"},
    {"password/protected.doc", false, "encrypted", {}, {}},
    {"third-party/bug53475-password-is-pass.docx",
     false,
     "a compound file without a Word document in it",
     {},
     {}},
    {"letter.docx", false, "not a Word document", {}, {}},
};

class FingerprintTest : public ::testing::TestWithParam<Document> {};

TEST_P(FingerprintTest, ReadsTheWordsAndCountsOfAWordBinaryDocument) {
    const Document& expected = GetParam();
    const std::string path = std::string(SAMPLES_DIR) + "/" + expected.file;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << path;
    struct stat st {};
    ASSERT_EQ(::fstat(fd, &st), 0);
    Fingerprint fingerprint;
    fingerprint.fields = 99;  // filled afresh, not added to
    std::string why;
    const bool read = ReadWordBinary(fd, static_cast<std::uint64_t>(st.st_size), fingerprint, why);
    ::close(fd);

    ASSERT_EQ(read, expected.readable) << why;
    if (!read) {
        EXPECT_EQ(why, expected.why);
        return;
    }
    const Fingerprint& f = fingerprint;
    EXPECT_EQ((Counts{f.paragraphs, f.tables, f.pictures, f.objects, f.equations, f.comments, f.footnotes,
                      f.endnotes, f.insertions, f.deletions, f.fields}),
              expected.counts);
    if (expected.incomplete.empty())
        EXPECT_EQ(f.incomplete, "");
    else
        EXPECT_THAT(f.incomplete, ::testing::HasSubstr(std::string(expected.incomplete)));

    for (std::size_t s = 0; s < kStories; ++s) {
        const auto story = static_cast<Story>(s);
        const std::vector<std::string>& words = f.Words(story);
        StoryWords want{story, 0, {}};
        for (const StoryWords& w : expected.words)
            if (w.story == story) want = w;
        SCOPED_TRACE("story " + std::to_string(s));
        ASSERT_EQ(words.size(), want.count);
        const std::vector<std::string> first = Split(want.first), last = Split(want.last);
        EXPECT_EQ(std::vector<std::string>(words.begin(), words.begin() + first.size()), first);
        EXPECT_EQ(std::vector<std::string>(words.end() - last.size(), words.end()), last);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Documents, FingerprintTest, ::testing::ValuesIn(kDocuments),
    [](const ::testing::TestParamInfo<Document>& info) {
        std::string name;
        for (const char c :
             std::string_view(info.param.file).substr(std::string_view(info.param.file).rfind('/') + 1))
            name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
        return name;
    });

}  // namespace
}  // namespace larkspan::zuv0
