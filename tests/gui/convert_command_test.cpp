// Convert in the main window: what it takes from the window, what it writes to the settings, and the whole
// run through the progress window, with stand-in converters and with the real engine.

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QtTest>

#include "batch/conversion_progress.h"
#include "batch/progress_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/message_box.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"
#include "tests/gui/modal_answer.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"
#include "tests/support/stand_in_converter.h"

using namespace larkspan;
namespace fs = std::filesystem;

namespace {

class PresetAnswers final : public ExistingFileQuestion {
public:
    std::optional<ExistingFileAnswer> Ask(const std::string& message) override {
        asked.push_back(QString::fromStdString(message));
        return ExistingFileAnswer{true, false};
    }
    QStringList asked;
};

// What pandoc (.docx) or catdoc (.doc) reads in a document.
QString ReadBack(const fs::path& document) {
    QProcess reader;
    if (document.extension() == ".docx")
        reader.start("pandoc", {"-t", "plain", "--wrap=none", QString::fromStdString(document.string())});
    else
        reader.start("catdoc", {"-d", "utf-8", "-w", QString::fromStdString(document.string())});
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput());
}

}  // namespace

class ConvertCommandTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScopedRegistry> registry_;
    std::unique_ptr<test::TempFolder> folder_;
    std::unique_ptr<MainWindow> state_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<MainWindowDialog> dialog_;
    test::RecordingMessages messages_;
    PresetAnswers answers_;

    fs::path Docs() const { return folder_->path() / "docs"; }
    fs::path ConverterLog() const { return folder_->path() / "converted.log"; }

    MainWindowDialog& MakeDialog() {
        dialog_ = std::make_unique<MainWindowDialog>(*state_, *settings_);
        dialog_->SetMessageBox(&messages_);
        dialog_->SetExistingFileQuestion(&answers_);
        dialog_->show();
        if (!QTest::qWaitForWindowExposed(dialog_.get())) qWarning("window not exposed");
        return *dialog_;
    }
    // A stand-in that records each source and copies it. After MakeDialog, which sets the program's folder.
    void UseStandIn() {
        test::WriteStandIn(folder_->path() / "app",
                           "printf '%s\\n' \"$2\" >> '" + ConverterLog().string() + "'\ncp \"$2\" \"$3\"");
        state_->ApplicationFolder = (folder_->path() / "app").string() + "/";
    }
    void ShowFolder(const fs::path& folder) {
        QVERIFY(dialog_->FolderTree().SelectPath(QString::fromStdString(folder.string())));
    }
    // Presses Convert and waits for the run; a progress window still open after the time-out is closed.
    void Convert() {
        test::ModalAnswer<ProgressWindow> watchdog([](ProgressWindow&) {}, 60000);
        QTest::mouseClick(resources::Control<QPushButton>(*dialog_, ids::kConvertButton), Qt::LeftButton);
    }
    void Tick(const QList<int>& rows) {
        for (int row : rows) dialog_->FileList().SetCheck(row, true);
    }

private slots:
    void init() {
        registry_ = std::make_unique<test::ScopedRegistry>();
        folder_ = std::make_unique<test::TempFolder>();
        state_ = std::make_unique<MainWindow>();
        settings_ = std::make_unique<SettingsStore>(kRegistryKeyName, "larkspan");
        messages_.shown.clear();
        answers_.asked.clear();
    }

    void cleanup() {
        dialog_.reset();
        settings_.reset();
        state_.reset();
        folder_.reset();
        registry_.reset();
    }

    void nothingTickedWritesNothing() {
        folder_->WriteFile("docs/a.docx");
        MakeDialog();
        UseStandIn();
        ShowFolder(Docs());
        Convert();
        QCOMPARE(messages_.shown, std::vector<std::string>{"Please select files first!"});
        QVERIFY(!fs::exists(ConverterLog()));
        QVERIFY(!fs::exists(registry_->folder().path() / "user.reg"));
    }

    void tickedRowsConvertInListOrder() {
        for (const char* name : {"a.docx", "b.docx", "c.docx", "d.docx", "e.docx"})
            folder_->WriteFile(std::string("docs/") + name, name);
        MakeDialog();
        UseStandIn();
        ShowFolder(Docs());
        Tick({4, 0, 2});
        // One engine, so that the converter's own log shows the order in which the run takes the files.
        ::setenv("LARKSPAN_JOBS", "1", 1);
        Convert();
        ::unsetenv("LARKSPAN_JOBS");
        QCOMPARE(QString::fromStdString(test::ReadText(ConverterLog())),
                 QString::fromStdString((Docs() / "a.docx").string() + "\n" + (Docs() / "c.docx").string() +
                                        "\n" + (Docs() / "e.docx").string() + "\n"));
        // A fresh profile closes the progress window by itself; then the run is announced as finished.
        QCOMPARE(messages_.shown, std::vector<std::string>{"Conversion Finished!"});
        for (const char* name : {"a.doc", "c.doc", "e.doc"}) QVERIFY(fs::exists(Docs() / name));
        QVERIFY(!fs::exists(Docs() / "b.doc"));
        QCOMPARE(settings_->GetString("CurrentDirectory"), Docs().string());
    }

    void outputFolderChoice_data() {
        QTest::addColumn<QString>("choice");  // <out> stands for the output folder
        QTest::addColumn<QString>("outputs");
        QTest::newRow("Original directory") << "Original directory"
                                            << "<docs>";
        QTest::newRow("a folder ending in slashes") << "<out>//"
                                                    << "<out>";
    }

    void outputFolderChoice() {
        QFETCH(QString, choice);
        QFETCH(QString, outputs);
        const QString out = QString::fromStdString((folder_->path() / "out").string());
        const QString docs = QString::fromStdString(Docs().string());
        fs::create_directories(folder_->path() / "out");
        choice.replace("<out>", out);
        outputs.replace("<out>", out).replace("<docs>", docs);
        QVERIFY(settings_->WriteString("OutputDir2", choice.toStdString()));
        QVERIFY(settings_->WriteString("OutDir", choice.toStdString()));
        folder_->WriteFile("docs/a.docx");
        MakeDialog();
        UseStandIn();
        ShowFolder(Docs());
        QCOMPARE(dialog_->FolderCombo().currentText(), choice);
        Tick({0});
        Convert();
        QVERIFY(fs::exists(fs::path(outputs.toStdString()) / "a.doc"));
        // Stored as shown, untrimmed; the history keeps the combo's items.
        QCOMPARE(QString::fromStdString(settings_->GetString("OutDir")), choice);
        QCOMPARE(settings_->GetString("OutputDir1"), std::string("Original directory"));
        QCOMPARE(QString::fromStdString(settings_->GetString("OutputDir2")), choice);
    }

    void anExistingTargetIsAskedAbout() {
        folder_->WriteFile("docs/a.docx", "new");
        folder_->WriteFile("docs/a.doc", "old");
        MakeDialog();
        UseStandIn();
        ShowFolder(Docs());
        Tick({0});
        Convert();
        QCOMPARE(answers_.asked.size(), 1);
        QVERIFY(answers_.asked.first().contains(QString::fromStdString((Docs() / "a.doc").string())));
        QCOMPARE(QString::fromStdString(test::ReadText(Docs() / "a.doc")), QString("old"));
        QCOMPARE(QString::fromStdString(test::ReadText(Docs() / "a_001.doc")), QString("new"));
    }

    void theSamplesConvertWithTheRealEngine() {
        // The real converter lies beside this test program, as it lies beside larkspan.
        QVERIFY(fs::exists(state_->ApplicationFolder + kExternalConverterName));
        fs::create_directories(Docs());
        for (const char* name : {"letter.docx", "memo.docx", "report.doc"})
            fs::copy_file(fs::path(LARKSPAN_SAMPLES) / name, Docs() / name);
        MakeDialog();
        ShowFolder(Docs());
        dialog_->SetCheckOnAll(true);  // the two .docx files, Word 2007 being the first filter
        Convert();
        QCOMPARE(messages_.shown, std::vector<std::string>{"Conversion Finished!"});
        const QString letter = ReadBack(Docs() / "letter.doc");
        for (const char* words : {"Letter to the printers", "Привет, мир", "Crème brûlée"})
            QVERIFY2(letter.contains(QString::fromUtf8(words)), qPrintable(letter));
        const QString memo = ReadBack(Docs() / "memo.doc");
        for (const char* words : {"to the point", "Kraków", "Århus"})
            QVERIFY2(memo.contains(QString::fromUtf8(words)), qPrintable(memo));

        // And back: the .doc files into .docx, beside them.
        QComboBox& filter = dialog_->FilterCombo();
        filter.setCurrentIndex(1);
        emit filter.activated(1);
        dialog_->FormatCombo().setCurrentIndex(1);
        QCOMPARE(dialog_->FileList().GetItemCount(), 3);
        for (int row = 0; row < 3; ++row)
            if (dialog_->FileList().GetItemData(row)->name == "report.doc")
                dialog_->FileList().SetCheck(row, true);
        Convert();
        const QString report = ReadBack(Docs() / "report.docx");
        for (const char* words : {"Quarterly report", "Größe der Straße", "Καλημέρα κόσμε"})
            QVERIFY2(report.contains(QString::fromUtf8(words)), qPrintable(report));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // One engine profile for the whole suite: a new one costs seconds.
    qputenv("XDG_CACHE_HOME", LARKSPAN_ENGINE_CACHE);
    QApplication app(argc, argv);
    ConvertCommandTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "convert_command_test.moc"
