#include "engine/document_kind.h"

#include <gtest/gtest.h>

#include "tests/support/files.h"

namespace larkspan {
namespace {

struct KindCase {
    const char* path;
    DocumentKind kind;
};

class DocumentKinds : public ::testing::TestWithParam<KindCase> {};

TEST_P(DocumentKinds, FollowTheEndingInAnyCase) {
    EXPECT_EQ(GetDocumentKind(GetParam().path), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Paths, DocumentKinds,
                         ::testing::Values(KindCase{"/d/a.doc", KindDoc}, KindCase{"/d/A.DOC", KindDoc},
                                           KindCase{"/d/a.DoC", KindDoc}, KindCase{"/d/a.docx", KindDocx},
                                           KindCase{"/d/A.DOCX", KindDocx}, KindCase{"/d/a.dOcX", KindDocx},
                                           KindCase{"/d/a.xls", KindXls}, KindCase{"/d/a.MDB", KindMdb},
                                           KindCase{"/d/a.txt", KindTxt}, KindCase{"/d/a.csv", KindCsv},
                                           KindCase{"/d/a.dbf", KindDbf}, KindCase{"/d/a.docm", KindOther},
                                           KindCase{"/d/a.dot", KindOther}, KindCase{"/d/a.rtf", KindOther},
                                           KindCase{"/d/a.xlsx", KindOther}, KindCase{"/d/report", KindOther},
                                           KindCase{"/d.doc/report", KindOther}, KindCase{"/", KindDoc},
                                           KindCase{"a.do", KindDoc}, KindCase{"", KindDoc},
                                           KindCase{"x.doc", KindDoc}));

TEST(DocumentKind, CopyOnlyWhenTheSourceHasTheTargetFormat) {
    EXPECT_FALSE(NeedsConversion(KindDoc, kFormatDoc));
    EXPECT_FALSE(NeedsConversion(KindDocx, kFormatDocx));
    EXPECT_TRUE(NeedsConversion(KindDoc, kFormatDocx));
    EXPECT_TRUE(NeedsConversion(KindDocx, kFormatDoc));
    for (DocumentKind other : {KindXls, KindMdb, KindTxt, KindCsv, KindDbf, KindOther}) {
        EXPECT_TRUE(NeedsConversion(other, kFormatDoc));
        EXPECT_TRUE(NeedsConversion(other, kFormatDocx));
    }
    EXPECT_EQ(TargetExtension(0), "doc");
    EXPECT_EQ(TargetExtension(1), "docx");
    EXPECT_EQ(TargetExtension(7), "docx");
}

TEST(DocumentKind, TitleAndOutputPathKeepTheNameOnDisk) {
    test::TempFolder folder;
    folder.WriteFile("Report.final.DOC");
    folder.WriteFile("NoDot");
    folder.WriteFile("a.b.doc");
    const std::string dir = folder.str();
    EXPECT_EQ(GetSourceTitle(dir + "/Report.final.DOC"), "Report.final");
    // A path in another letter case still finds the file and yields its real name.
    EXPECT_EQ(GetSourceTitle(dir + "/report.final.doc"), "Report.final");
    EXPECT_EQ(GetSourceTitle(dir + "/NoDot"), "NoDot");
    EXPECT_EQ(GetSourceTitle(dir + "/a.b.doc"), "a.b");
    EXPECT_EQ(GetSourceTitle(dir + "/gone.doc"), "");

    EXPECT_EQ(FormatOutputPath("/out", dir + "/Report.final.DOC", 1), "/out/Report.final.docx");
    EXPECT_EQ(FormatOutputPath("/out", dir + "/Report.final.DOC", 0), "/out/Report.final.doc");
    EXPECT_EQ(FormatOutputPath("/out", dir + "/gone.doc", 1), "/out/.docx");
    EXPECT_EQ(FormatOutputPath("", dir + "/NoDot", 0), "/NoDot.doc");
}

TEST(DocumentKind, OutputFolderLosesItsTrailingSlashes) {
    EXPECT_EQ(NormalizeOutputFolder("/out/"), "/out");
    EXPECT_EQ(NormalizeOutputFolder("/out///"), "/out");
    EXPECT_EQ(NormalizeOutputFolder("/out"), "/out");
    EXPECT_EQ(NormalizeOutputFolder("/"), "");
    EXPECT_EQ(NormalizeOutputFolder(""), "");
    EXPECT_EQ(NormalizeOutputFolder("Original directory"), "Original directory");
}

}  // namespace
}  // namespace larkspan
