// What a conversion lost, in words, from two fingerprints; and what it did not lose is not said.

#include "converter/fingerprint_compare.h"

#include <gtest/gtest.h>

#include <functional>

namespace larkspan::zuv0 {
namespace {

// A source of 100 words in the main text (w0 .. w99), 12 in two text boxes, a footer, 5 comments, 2
// footnotes, a table, 3 pictures, an equation and an embedded workbook, 4 tracked changes, 6 fields.
Fingerprint Source() {
    Fingerprint f;
    for (int i = 0; i < 100; ++i) f.Words(Story::Main).push_back("w" + std::to_string(i));
    for (int i = 0; i < 12; ++i) f.Words(Story::TextBoxes).push_back("box" + std::to_string(i));
    AddWords("Check these numbers. Ask Zoë.", f.Words(Story::Comments));
    AddWords("Page 1 of 3, printed 5.12.2019", f.Words(Story::HeadersFooters));
    f.paragraphs = 40, f.tables = 1, f.pictures = 3, f.objects = 1, f.equations = 1, f.comments = 5;
    f.footnotes = 2, f.insertions = 3, f.deletions = 1, f.fields = 6;
    return f;
}

struct LossCase {
    const char* name;
    std::function<void(Fingerprint&)> convert;  // what the conversion did to the source's fingerprint
    std::vector<std::string> said;
};

class Compared : public ::testing::TestWithParam<LossCase> {};

TEST_P(Compared, NamesWhatWasLostAndNothingElse) {
    const Fingerprint source = Source();
    Fingerprint converted = source;
    GetParam().convert(converted);
    EXPECT_EQ(Losses(source, converted), GetParam().said);
}

INSTANTIATE_TEST_SUITE_P(
    Fingerprints, Compared,
    ::testing::Values(
        LossCase{"Faithful", [](Fingerprint&) {}, {}},
        // Not losses: paragraphs split or joined, fields brought up to date, a stray word spelt otherwise.
        LossCase{"WhatIsNoLoss",
                 [](Fingerprint& f) {
                     f.paragraphs = 31, f.fields = 2;
                     f.Words(Story::Main)[7] = "w7\xc2\xad";
                 },
                 {}},
        LossCase{"TextBoxesBecameFrames",
                 [](Fingerprint& f) {
                     auto& boxes = f.Words(Story::TextBoxes);
                     f.Words(Story::Main).insert(f.Words(Story::Main).end(), boxes.begin(), boxes.end());
                     boxes.clear();
                 },
                 {}},
        LossCase{"CommentsLost",
                 [](Fingerprint& f) {
                     f.comments = 3;
                     f.Words(Story::Comments).resize(3);
                 },
                 {"2 of 5 comments lost"}},
        LossCase{"AllCommentsLost",
                 [](Fingerprint& f) {
                     f.comments = 0;
                     f.Words(Story::Comments).clear();
                 },
                 {"all 5 comments lost"}},
        LossCase{"MainTextCut",
                 [](Fingerprint& f) { f.Words(Story::Main).resize(97); },
                 {"3 % of the main text's words are missing"}},
        LossCase{"EquationDropped", [](Fingerprint& f) { f.equations = 0; }, {"the equation was dropped"}},
        LossCase{
            "WorkbookDropped", [](Fingerprint& f) { f.objects = 0; }, {"the embedded object was dropped"}},
        LossCase{"PicturesAndATable",
                 [](Fingerprint& f) { f.pictures = 2, f.tables = 0; },
                 {"the table was lost", "1 of 3 pictures lost"}},
        LossCase{"ChangesAccepted",
                 [](Fingerprint& f) { f.insertions = f.deletions = 0; },
                 {"tracked changes were accepted"}},
        // One change may be several in the other format, or several one.
        LossCase{"ChangesCountedOtherwise", [](Fingerprint& f) { f.insertions = 1; }, {}},
        LossCase{"NumbersWorkedOutAfresh",
                 [](Fingerprint& f) {
                     f.Words(Story::HeadersFooters).clear();
                     AddWords("Page 1 of 4, printed 7.12.2026", f.Words(Story::HeadersFooters));
                 },
                 {}},
        LossCase{"FooterLost",
                 [](Fingerprint& f) { f.Words(Story::HeadersFooters).clear(); },
                 {"all of the headers' and footers' words are missing"}},
        // A reader that could not read its file whole can tell nothing for sure.
        LossCase{"ConvertedFileReadInPart",
                 [](Fingerprint& f) {
                     f.comments = 0;
                     f.incomplete = "the comments part could not be read";
                 },
                 {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Fingerprints, CutTextIntoTheSameWordsWhateverItsPunctuation) {
    std::vector<std::string> words;
    AddWords("Größe der Straße\xe2\x80\x94naïve café, \xe2\x80\x9cquoted\xe2\x80\x9d 3.14\xc2\xa0PM", words);
    EXPECT_EQ(words, (std::vector<std::string>{"größe", "der", "straße", "naïve", "café", "quoted", "3", "14",
                                               "pm"}));
    EXPECT_EQ(CountsJson(Source()),
              "{\"words\":125,\"paragraphs\":40,\"tables\":1,\"pictures\":3,\"objects\":1,\"equations\":1,"
              "\"comments\":5,\"footnotes\":2,\"endnotes\":0,\"insertions\":3,\"deletions\":1,\"fields\":6}");
}

}  // namespace
}  // namespace larkspan::zuv0
