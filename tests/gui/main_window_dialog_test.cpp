// The main window driven through its real widgets on the offscreen platform.

#include <fcntl.h>
#include <sys/stat.h>

#include <memory>

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMimeData>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include "larkspan_version.h"
#include "mainwindow/about_box.h"
#include "mainwindow/file_opener.h"
#include "mainwindow/folder_picker.h"
#include "mainwindow/folder_tree_model.h"
#include "mainwindow/hyperlink_label.h"
#include "mainwindow/main_window.h"
#include "mainwindow/main_window_dialog.h"
#include "mainwindow/qt_message_box.h"
#include "mainwindow/shell_tree_control.h"
#include "platform/registry.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/resource_ids.h"
#include "tests/gui/modal_answer.h"
#include "tests/support/files.h"
#include "tests/support/recording_messages.h"

using namespace larkspan;

namespace {

constexpr std::time_t kMinute = 1236261600;  // a whole minute

class RecordingOpener final : public FileOpener {
public:
    void Open(const std::string& path) override { opened.push_back(QString::fromStdString(path)); }
    bool OpenAddress(const std::string& address) override {
        opened.push_back(QString::fromStdString(address));
        return true;
    }
    QStringList opened;
};

// Answers the folder picker from a list, recording what it was asked.
class PresetPicker final : public FolderPicker {
public:
    FolderPick DoModal(const QString& title, const QString& initialFolder, QWidget*) override {
        asked << title + ": " + initialFolder;
        return answers.isEmpty() ? FolderPick{} : answers.takeFirst();
    }
    QList<FolderPick> answers;
    QStringList asked;
};

void SetModified(const std::filesystem::path& path, std::time_t time) {
    timespec times[2] = {{time, 0}, {time, 0}};
    QVERIFY(::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0);
}

QStringList Names(const FileListControl& list) {
    QStringList names;
    for (int row = 0; row < list.GetItemCount(); ++row) names << list.topLevelItem(row)->text(kColumnName);
    return names;
}

QStringList Ticked(const FileListControl& list) {
    QStringList names;
    for (int row = 0; row < list.GetItemCount(); ++row)
        if (list.GetCheck(row)) names << list.topLevelItem(row)->text(kColumnName);
    return names;
}

QStringList ComboItems(const QComboBox& combo) {
    QStringList items;
    for (int i = 0; i < combo.count(); ++i) items << combo.itemText(i);
    return items;
}

}  // namespace

class MainWindowDialogTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<test::ScopedRegistry> registry_;
    std::unique_ptr<test::TempFolder> folder_;
    std::unique_ptr<MainWindow> state_;
    std::unique_ptr<SettingsStore> settings_;
    std::unique_ptr<MainWindowDialog> dialog_;
    RecordingOpener opener_;
    test::RecordingMessages messages_;

    // The window at its template size, or at clientSize when one is given.
    MainWindowDialog& MakeDialog(QSize clientSize = {}) {
        dialog_ = std::make_unique<MainWindowDialog>(*state_, *settings_);
        dialog_->SetFileOpener(&opener_);
        dialog_->SetMessageBox(&messages_);
        if (clientSize.isValid()) dialog_->resize(clientSize);
        dialog_->show();
        if (!QTest::qWaitForWindowExposed(dialog_.get())) qWarning("window not exposed");
        return *dialog_;
    }
    FileListControl& List() { return dialog_->FileList(); }
    QString Folder() const { return QString::fromStdString(folder_->str()); }

    // The frame the window manager (here the platform) puts around the client area.
    QMargins Frame() const {
        const QRect outer = dialog_->frameGeometry(), client = dialog_->geometry();
        return {client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
                outer.bottom() - client.bottom()};
    }

    // The bottom area's controls, by how they follow the window's edges.
    static constexpr std::pair<int, AnchorMode> kAnchored[] = {
        {ids::kTargetGroup, AnchorMode::StretchWidth},
        {ids::kFormatCombo, AnchorMode::StretchWidth},
        {ids::kFolderCombo, AnchorMode::StretchWidth},
        {ids::kFormatLabel, AnchorMode::KeepLeftBottom},
        {ids::kFolderLabel, AnchorMode::KeepLeftBottom},
        {ids::kConvertButton, AnchorMode::KeepRightBottom},
        {ids::kOnlineHelpButton, AnchorMode::KeepRightBottom},
        {ids::kBrowseButton, AnchorMode::KeepRightBottom},
        {ids::kOpenFolderButton, AnchorMode::KeepRightBottom},
    };

    // The window laid out for its size: the tree and the list by the split, the top controls by the split
    // and the right edge, and the bottom area's controls as far from the bottom and right edges as in the
    // template (original: their rectangles there, in a 756 x 494 client area).
    void CheckLayout(const QMap<int, QRect>& original) {
        const int width = dialog_->width(), height = dialog_->height();
        const int outerWidth = dialog_->frameGeometry().width();
        const int right = width + Frame().right();  // W.right
        const EdgeRect& split = dialog_->Layout().rtSplitVer;
        auto at = [this](int id) { return resources::FindControl(*dialog_, id)->geometry(); };
        QCOMPARE(at(ids::kFolderTree), QRect(6, 24, split.left - 6, height - 102 - 24));
        QCOMPARE(at(ids::kFileList),
                 QRect(split.right, 24, outerWidth - 12 - split.right, height - 102 - 26));
        QCOMPARE(at(ids::kSelectFilesLabel).topLeft(), QPoint(split.right, 8));
        QCOMPARE(at(ids::kFilterLabel).topLeft(), QPoint(right - 200, 7));
        QCOMPARE(at(ids::kFilterCombo).topLeft(), QPoint(right - 162, 2));
        for (const auto& [id, mode] : kAnchored) {
            const QRect was = original[id], now = at(id);
            QCOMPARE(height - now.top(), 494 - was.top());
            QCOMPARE(now.height(), was.height());
            if (mode == AnchorMode::KeepRightBottom) {
                QCOMPARE(width - now.left(), 756 - was.left());
                QCOMPARE(now.width(), was.width());
            } else {
                QCOMPARE(now.left(), was.left());
                if (mode == AnchorMode::StretchWidth)
                    QCOMPARE(width - now.right(), 756 - was.right());
                else
                    QCOMPARE(now.width(), was.width());
            }
        }
    }

    void SelectFolder(const QString& path) { QVERIFY(dialog_->FolderTree().SelectPath(path)); }

    // Picks the Filter entry as a user does, with the keyboard on the closed combo.
    void ChooseFilter(int index) {
        QComboBox& filter = dialog_->FilterCombo();
        filter.setFocus();
        QTest::keyClick(&filter, index > filter.currentIndex() ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(filter.currentIndex(), index);
    }

    void ClickHeader(int column) {
        QHeaderView* header = List().header();
        QPoint point(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, point);
    }

    void ClickRow(const QString& name, Qt::KeyboardModifiers modifiers = {}) {
        QList<QTreeWidgetItem*> found = List().findItems(name, Qt::MatchExactly, kColumnName);
        QCOMPARE(found.size(), 1);
        QRect cell = List().visualItemRect(found.first());
        QTest::mouseClick(List().viewport(), Qt::LeftButton, modifiers,
                          QPoint(cell.right() - 10, cell.center().y()));
    }

    // Opens the list's context menu and chooses the item with that text, or closes the menu when text is
    // empty. Returns the menu's item texts ("" for separators) and whether they were enabled.
    QStringList UseContextMenu(const QString& text) {
        QStringList items;
        test::ModalAnswer<QMenu> answer([&](QMenu& menu) {
            for (QAction* action : menu.actions())
                items << (action->isSeparator() ? QString()
                                                : action->text() + (action->isEnabled() ? "" : " (off)"));
            for (QAction* action : menu.actions()) {
                if (!text.isEmpty() && action->text() == text) {
                    menu.setActiveAction(action);
                    QTest::keyClick(&menu, Qt::Key_Return);
                    return;
                }
            }
            menu.close();
        });
        QPoint inside(5, 5);
        QContextMenuEvent event(QContextMenuEvent::Mouse, inside, List().viewport()->mapToGlobal(inside));
        QApplication::sendEvent(List().viewport(), &event);
        if (!answer.answered()) qWarning("no context menu appeared");
        return items;
    }

    // a.docx 5000 bytes at minute 2, B.docx 100 bytes at minute 0, c.docx 2048 bytes and d.DOCX 3000 bytes
    // both in minute 1.
    void WriteSortFolder() {
        struct File {
            const char* name;
            std::size_t size;
            std::time_t time;
        };
        for (File file : {File{"a.docx", 5000, kMinute + 120}, File{"B.docx", 100, kMinute},
                          File{"c.docx", 2048, kMinute + 60}, File{"d.DOCX", 3000, kMinute + 61}}) {
            SetModified(folder_->WriteFile(file.name, std::string(file.size, 'x')), file.time);
        }
    }

private slots:
    void init() {
        registry_ = std::make_unique<test::ScopedRegistry>();
        folder_ = std::make_unique<test::TempFolder>();
        state_ = std::make_unique<MainWindow>();
        settings_ = std::make_unique<SettingsStore>(kRegistryKeyName, "larkspan");
        opener_.opened.clear();
        messages_.shown.clear();
    }

    void cleanup() {
        dialog_.reset();
        settings_.reset();
        state_.reset();
        folder_.reset();
        registry_.reset();
    }

    void freshProfileFirstView() {
        MakeDialog();
        QCOMPARE(dialog_->windowTitle(), QString("Larkspan " LARKSPAN_VERSION));
        QCOMPARE(ComboItems(dialog_->FormatCombo()),
                 QStringList({"Word 97-2003(*.DOC)", "Word 2007(*.DOCX)"}));
        QCOMPARE(dialog_->FormatCombo().currentIndex(), 0);
        QCOMPARE(ComboItems(dialog_->FilterCombo()),
                 QStringList({"Word 2007(*.DOCX)", "Word 97-2003(*.DOC)"}));
        QCOMPARE(dialog_->FilterCombo().currentIndex(), 0);
        QCOMPARE(ComboItems(dialog_->FolderCombo()), QStringList({"Original directory"}));
        QCOMPARE(dialog_->FolderCombo().currentIndex(), 0);
        QCOMPARE(List().GetItemCount(), 0);
        QCOMPARE(state_->m_strFilePattern, std::string("*.DOCX"));
        QVERIFY(!state_->ApplicationFolder.empty() && state_->ApplicationFolder.back() == '/');

        dialog_->DoDataExchange(true);
        QCOMPARE(state_->m_nFormat, 0);
        QCOMPARE(state_->m_strOutDir, std::string("Original directory"));

        // The four columns with their titles, widths and alignment.
        QTreeWidgetItem* header = List().headerItem();
        const QStringList titles = {"Name", "Size", "Type", "Modify Date"};
        const int widths[] = {200, 100, 130, 110};
        for (int column = 0; column < 4; ++column) {
            QCOMPARE(header->text(column), titles[column]);
            QCOMPARE(List().header()->sectionSize(column), widths[column]);
            QCOMPARE(header->textAlignment(column) & Qt::AlignHorizontal_Mask,
                     column == kColumnSize ? int(Qt::AlignRight) : int(Qt::AlignLeft));
        }

        // Home and the root, home open, nothing selected.
        ShellTreeControl& tree = dialog_->FolderTree();
        QCOMPARE(tree.model()->rowCount(), 2);
        QCOMPARE(tree.model()->index(0, 0).data().toString(), QDir::homePath());
        QCOMPARE(tree.model()->index(1, 0).data().toString(), QString("/"));
        QVERIFY(tree.isExpanded(tree.model()->index(0, 0)));
        QVERIFY(!tree.isExpanded(tree.model()->index(1, 0)));
        QCOMPARE(tree.GetSelectedPath(), std::string());
    }

    void folderTreeHoldsHomeAndTheRoot() {
        folder_->WriteFile("inner/a.docx");
        folder_->WriteFile("other/b.docx");
        folder_->WriteFile("c.docx");
        MakeDialog();
        ShellTreeControl& tree = dialog_->FolderTree();
        QAbstractItemModel& model = *tree.model();

        // A folder is found under the nearest top-level item: home under home, the rest under "/".
        QVERIFY(tree.SelectPath(QDir::homePath()));
        QCOMPARE(tree.currentIndex(), model.index(0, 0));
        QCOMPARE(tree.GetSelectedPath(), QDir::homePath().toStdString());
        QVERIFY(tree.SelectPath(Folder() + "/inner"));
        QModelIndex top = tree.currentIndex();
        while (top.parent().isValid()) top = top.parent();
        const bool underHome = Folder().startsWith(QDir::homePath() + "/");
        QCOMPARE(top, model.index(underHome ? 0 : 1, 0));
        QCOMPARE(tree.GetSelectedPath(), folder_->str() + "/inner");
        QCOMPARE(Names(List()), QStringList({"a.docx"}));
        QVERIFY(!tree.SelectPath(Folder() + "/missing"));

        // Opening a folder lists its sub-folders and no files.
        QPersistentModelIndex folder = tree.currentIndex().parent();  // /tmp changes while we wait
        tree.expand(folder);
        QTRY_COMPARE(model.rowCount(folder), 2);
        QTRY_COMPARE(model.index(0, 0, folder).data().toString(), QString("inner"));
        QCOMPARE(model.index(1, 0, folder).data().toString(), QString("other"));

        // Folders made and removed while it is open show up and go.
        std::filesystem::create_directories(folder_->path() / "new");
        std::filesystem::remove_all(folder_->path() / "other");
        QTRY_COMPARE(model.index(1, 0, folder).data().toString(), QString("new"));
        QTRY_COMPARE(model.rowCount(folder), 2);
    }

    // Without reading the folders: "without" holds a file only. Told by the link count, which this test's
    // file system must keep.
    void onlyFoldersWithSubfoldersShowAnArrow() {
        folder_->WriteFile("with/inner/a.docx");
        folder_->WriteFile("without/b.docx");
        struct stat status {};
        QVERIFY(::stat((folder_->path() / "with").c_str(), &status) == 0);
        if (status.st_nlink < 2) QSKIP("this file system keeps no link counts of folders");
        MakeDialog();
        FolderTreeModel& model = dialog_->FolderTree().Folders();
        const QModelIndex with = model.IndexOf(Folder() + "/with");
        const QModelIndex without = model.IndexOf(Folder() + "/without");
        QVERIFY(with.isValid() && without.isValid());
        QVERIFY(model.hasChildren(with));
        QVERIFY(!model.hasChildren(without));
        // The hidden header's one section, which a screen reader reads.
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("Folders"));
    }

    void aboutItemOpensTheAboutBox() {
        MakeDialog();
        QMenu* menu = dialog_->WindowMenuButton().menu();
        QVERIFY(menu);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions().first()->text(), QString("&About Larkspan..."));
        QCOMPARE(menu->actions().first()->data().toInt(), ids::kSysCmdAbout);
        QVERIFY(menu->actions().first()->isEnabled());
        QVERIFY(dialog_->WindowMenuButton().isVisible());

        // Chosen from the menu, the box opens over the window; its link opens pages the window's way.
        QString caption, linked;
        test::ModalAnswer<AboutBox> about([&](AboutBox& box) {
            caption = box.windowTitle();
            QTest::mouseClick(&box.Link(), Qt::LeftButton, {}, QPoint(2, 2));
            linked = opener_.opened.value(0);
            QTest::keyClick(&box, Qt::Key_Escape);
        });
        test::ModalAnswer<QMenu> choose([](QMenu& shown) {
            shown.setActiveAction(shown.actions().first());
            QTest::keyClick(&shown, Qt::Key_Return);
        });
        QTest::mouseClick(&dialog_->WindowMenuButton(), Qt::LeftButton);
        QTRY_VERIFY(about.answered());
        QCOMPARE(caption, QString("About Larkspan"));
        QVERIFY(linked.startsWith("file:///") && linked.endsWith("/index.htm"));
        QVERIFY(dialog_->isVisible());
    }

    void onlineHelpOpensTheFaq() {
        MakeDialog();
        QTest::mouseClick(resources::Control<QPushButton>(*dialog_, ids::kOnlineHelpButton), Qt::LeftButton);
        QCOMPARE(opener_.opened.size(), 1);
        const QUrl faq(opener_.opened.first());
        QVERIFY(faq.isLocalFile());
        QCOMPARE(QFileInfo(faq.toLocalFile()).fileName(), QString("Faq.htm"));
        QVERIFY(QFileInfo(faq.toLocalFile()).isFile());
    }

    void historyAndOutDirFromSettings() {
        QVERIFY(settings_->WriteString("OutputDir1", "Original directory"));
        QVERIFY(settings_->WriteString("OutputDir2", "/srv/Out"));
        QVERIFY(settings_->WriteString("OutputDir3", ""));
        QVERIFY(settings_->WriteString("OutputDir4", "/srv/older"));
        QVERIFY(settings_->WriteString("OutDir", "/SRV/OUT"));
        MakeDialog();
        QCOMPARE(ComboItems(dialog_->FolderCombo()),
                 QStringList({"Original directory", "/srv/Out", "/srv/older"}));
        // Found by a prefix that ignores letter case.
        QCOMPARE(dialog_->FolderCombo().currentText(), QString("/srv/Out"));
    }

    void pickedFolders_data() {
        QTest::addColumn<QStringList>("history");  // OutputDir1.. as stored
        QTest::addColumn<QStringList>("picks");    // what the picker answers to each "..."
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QString>("selected");
        QTest::newRow("fresh profile") << QStringList{} << QStringList{"/srv/Out"}
                                       << QStringList{"Original directory", "/srv/Out"} << "/srv/Out";
        QTest::newRow("cancelled") << QStringList{} << QStringList{"<cancel>"}
                                   << QStringList{"Original directory"} << "Original directory";
        QTest::newRow("no folder of the file system")
            << QStringList{} << QStringList{"/srv/Out", "<no path>"}
            << QStringList{"Original directory", "/srv/Out"} << "/srv/Out";
        QTest::newRow("a folder nobody may write to is taken all the same")
            << QStringList{} << QStringList{"/proc/sys"} << QStringList{"Original directory", "/proc/sys"}
            << "/proc/sys";
        QTest::newRow("the same folder again only selects it")
            << QStringList{} << QStringList{"/srv/Out", "Original directory", "/srv/Out"}
            << QStringList{"Original directory", "/srv/Out"} << "/srv/Out";
        QTest::newRow("another letter case is another folder")
            << QStringList{} << QStringList{"/srv/Out", "/srv/out"}
            << QStringList{"Original directory", "/srv/out", "/srv/Out"} << "/srv/out";
        QTest::newRow("a prefix of an item is added")
            << QStringList{"Original directory", "/srv/Docs/Old"} << QStringList{"/srv/Docs"}
            << QStringList{"Original directory", "/srv/Docs", "/srv/Docs/Old"} << "/srv/Docs";
    }

    void pickedFolders() {
        QFETCH(QStringList, history);
        QFETCH(QStringList, picks);
        QFETCH(QStringList, items);
        QFETCH(QString, selected);
        for (int i = 0; i < history.size(); ++i)
            QVERIFY(settings_->WriteString(OutputDirKey(i + 1), history[i].toStdString()));
        MakeDialog();
        PresetPicker picker;
        dialog_->SetFolderPicker(&picker);
        QStringList shown;  // the combo's text as each pick starts
        for (const QString& pick : picks) {
            if (pick == "<cancel>")
                picker.answers << FolderPick{kFolderPickCancelled, {}};
            else if (pick == "<no path>")
                picker.answers << FolderPick{kFolderPickNoPath, {}};
            else
                picker.answers << FolderPick{kFolderPickOk, pick};
            shown << "Select a Directory: " + dialog_->FolderCombo().currentText();
            QTest::mouseClick(resources::Control<QPushButton>(*dialog_, ids::kBrowseButton), Qt::LeftButton);
        }
        QCOMPARE(picker.asked, shown);
        QCOMPARE(ComboItems(dialog_->FolderCombo()), items);
        QCOMPARE(dialog_->FolderCombo().currentText(), selected);
    }

    // The desktop's picker: folders only, opened on the combo's folder, and its answers.
    void folderDialog_data() {
        QTest::addColumn<QString>("initial");  // "<folder>" for a fresh folder
        QTest::addColumn<QString>("shows");
        QTest::addColumn<bool>("choose");
        QTest::addColumn<int>("result");
        QTest::newRow("chosen") << "<folder>"
                                << "<folder>" << true << kFolderPickOk;
        QTest::newRow("cancelled") << "<folder>"
                                   << "<folder>" << false << kFolderPickCancelled;
        QTest::newRow("no folder named")
            << "Original directory" << QDir::homePath() << false << kFolderPickCancelled;
    }

    void folderDialog() {
        QFETCH(QString, initial);
        QFETCH(QString, shows);
        QFETCH(bool, choose);
        QFETCH(int, result);
        initial.replace("<folder>", Folder());
        shows.replace("<folder>", Folder());
        std::filesystem::create_directories(folder_->path() / "inner");
        folder_->WriteFile("a.docx");
        QString title, directory;
        bool foldersOnly = false;
        test::ModalAnswer<QFileDialog> answer([&](QFileDialog& dialog) {
            title = dialog.windowTitle();
            directory = dialog.directory().absolutePath();
            foldersOnly =
                dialog.fileMode() == QFileDialog::Directory && dialog.testOption(QFileDialog::ShowDirsOnly);
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            if (!buttons) return dialog.reject();
            buttons->button(choose ? QDialogButtonBox::Open : QDialogButtonBox::Cancel)->click();
        });
        QWidget parent;
        FolderPick pick = FolderDialog().DoModal("Select a Directory", initial, &parent);
        QVERIFY(answer.answered());
        QCOMPARE(title, QString("Select a Directory"));
        QVERIFY(foldersOnly);
        QCOMPARE(directory, shows);
        QCOMPARE(pick.result, result);
        QCOMPARE(pick.path, choose ? shows : QString());
    }

    void historyKeepsTheFiveFirstItems() {
        MakeDialog();
        for (const char* folder : {"/f1", "/f2", "/f3", "/f4", "/f5", "/f6"})
            dialog_->AddPickedFolder(folder);
        QVERIFY(settings_->WriteString("OutDir", "/f2"));  // picked first of those kept: it fell out
        dialog_->SaveOutputHistory();
        dialog_.reset();
        MakeDialog();
        QCOMPARE(ComboItems(dialog_->FolderCombo()),
                 QStringList({"Original directory", "/f6", "/f5", "/f4", "/f3"}));
        QCOMPARE(dialog_->FolderCombo().currentIndex(), -1);
        // Closing the window without Convert saves nothing.
        dialog_->AddPickedFolder("/f7");
        dialog_.reset();
        QCOMPARE(settings_->GetString("OutputDir2"), std::string("/f6"));
    }

    void listsFolderWithEitherFilter_data() {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Word 2007") << 0 << QStringList{"c.docx", "D.DOCX"};
        QTest::newRow("Word 97-2003") << 1 << QStringList{"a.doc", "B.DOC"};
    }

    void listsFolderWithEitherFilter() {
        QFETCH(int, filter);
        QFETCH(QStringList, expected);
        for (const char* name : {"a.doc", "B.DOC", "c.docx", "D.DOCX", "notes.docGi!", "e.docxGi!"})
            SetModified(folder_->WriteFile(name, std::string(3000, 'x')), kMinute + 7 * 60 + 30);
        std::filesystem::create_directories(folder_->path() / "old.docx" / "inner.docx");
        std::filesystem::create_directories(folder_->path() / "old.doc");
        MakeDialog();
        SelectFolder(Folder());
        if (filter != 0) ChooseFilter(filter);

        QCOMPARE(state_->m_strCurrentFolder, folder_->str());
        QCOMPARE(Names(List()), expected);
        QCOMPARE(state_->m_arrEntries.size(), std::size_t(expected.size()));
        QString typeName =
            QMimeDatabase().mimeTypeForFile(expected.first(), QMimeDatabase::MatchExtension).comment();
        QVERIFY(!typeName.isEmpty());
        for (int row = 0; row < List().GetItemCount(); ++row) {
            QTreeWidgetItem* item = List().topLevelItem(row);
            QCOMPARE(QString::fromStdString(List().GetItemData(row)->name), expected[row]);
            QCOMPARE(item->text(kColumnSize), QString("2 KB"));
            QCOMPARE(item->text(kColumnType), typeName);
            QCOMPARE(item->text(kColumnModifyDate),
                     QString::fromStdString(FormatModifyTime(kMinute + 7 * 60)));
            QVERIFY(!item->icon(kColumnName).isNull());
            QCOMPARE(item->checkState(kColumnName), Qt::Unchecked);
        }
    }

    void refreshingTwiceKeepsOnlyTheCurrentIcons() {
        for (const char* name : {"a.doc", "B.DOC", "c.docx", "D.DOCX", "e.docx"}) folder_->WriteFile(name);
        MakeDialog();
        SelectFolder(Folder());
        QCOMPARE(List().GetItemCount(), 3);
        QCOMPARE(dialog_->Images().GetImageCount(), 3);
        ChooseFilter(1);
        QCOMPARE(List().GetItemCount(), 2);
        QCOMPARE(dialog_->Images().GetImageCount(), 2);
        ChooseFilter(0);
        QCOMPARE(List().GetItemCount(), 3);
        QCOMPARE(dialog_->Images().GetImageCount(), 3);
        QCOMPARE(state_->m_arrEntries.size(), std::size_t(3));
        for (int row = 0; row < 3; ++row) QCOMPARE(List().GetImage(row), row);
        // Type names and icons were looked up once per extension, not once per file or per refresh.
        QCOMPARE(dialog_->FileTypes().LookupCount(), std::size_t(2));
    }

    void sortAlternation_data() {
        QTest::addColumn<QList<int>>("clicks");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<int>("ascending");
        QTest::newRow("size") << QList<int>{1} << QStringList{"B.docx", "c.docx", "d.DOCX", "a.docx"} << 1;
        QTest::newRow("size twice") << QList<int>{1, 1} << QStringList{"a.docx", "d.DOCX", "c.docx", "B.docx"}
                                    << 0;
        QTest::newRow("size thrice") << QList<int>{1, 1, 1}
                                     << QStringList{"B.docx", "c.docx", "d.DOCX", "a.docx"} << 1;
        QTest::newRow("size twice then name")
            << QList<int>{1, 1, 0} << QStringList{"B.docx", "a.docx", "c.docx", "d.DOCX"} << 1;
        QTest::newRow("name twice") << QList<int>{0, 0} << QStringList{"d.DOCX", "c.docx", "a.docx", "B.docx"}
                                    << 0;
        // c.docx and d.DOCX were changed within one minute: they tie and keep their order.
        QTest::newRow("date") << QList<int>{3} << QStringList{"B.docx", "c.docx", "d.DOCX", "a.docx"} << 1;
        QTest::newRow("date twice") << QList<int>{3, 3} << QStringList{"a.docx", "c.docx", "d.DOCX", "B.docx"}
                                    << 0;
        QTest::newRow("type ties everywhere")
            << QList<int>{2} << QStringList{"a.docx", "B.docx", "c.docx", "d.DOCX"} << 1;
    }

    void sortAlternation() {
        QFETCH(QList<int>, clicks);
        QFETCH(QStringList, expected);
        QFETCH(int, ascending);
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        QCOMPARE(Names(List()), QStringList({"a.docx", "B.docx", "c.docx", "d.DOCX"}));
        for (int column : clicks) ClickHeader(column);
        QCOMPARE(Names(List()), expected);
        QCOMPARE(state_->m_nSortColumn, clicks.last());
        QCOMPARE(state_->m_bSortAscending, ascending);
    }

    void sortStateSurvivesARefill() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        ClickHeader(kColumnName);
        QCOMPARE(Names(List()), QStringList({"B.docx", "a.docx", "c.docx", "d.DOCX"}));
        ChooseFilter(1);
        ChooseFilter(0);
        // The refill shows the scan's order; the next click on Name continues the alternation.
        QCOMPARE(Names(List()), QStringList({"a.docx", "B.docx", "c.docx", "d.DOCX"}));
        ClickHeader(kColumnName);
        QCOMPARE(state_->m_bSortAscending, 0);
        QCOMPARE(Names(List()), QStringList({"d.DOCX", "c.docx", "a.docx", "B.docx"}));
    }

    void rowsKeepTickEntryIconAndSelectionThroughASort() {
        WriteSortFolder();
        folder_->WriteFile("e.doc.docx", std::string(10, 'x'));
        MakeDialog();
        SelectFolder(Folder());
        QMap<QString, int> images;
        for (int row = 0; row < List().GetItemCount(); ++row)
            images[Names(List())[row]] = List().GetImage(row);

        // Space ticks the focused row, whichever cell has the focus.
        for (const char* name : {"a.docx", "d.DOCX"}) {
            ClickRow(name);
            QTest::keyClick(&List(), Qt::Key_Space);
        }
        ClickRow("c.docx");
        QCOMPARE(Ticked(List()), QStringList({"a.docx", "d.DOCX"}));

        ClickHeader(kColumnSize);
        ClickHeader(kColumnSize);
        QCOMPARE(Names(List()), QStringList({"a.docx", "d.DOCX", "c.docx", "B.docx", "e.doc.docx"}));
        QCOMPARE(Ticked(List()), QStringList({"a.docx", "d.DOCX"}));
        for (int row = 0; row < List().GetItemCount(); ++row) {
            QString name = List().topLevelItem(row)->text(kColumnName);
            QCOMPARE(QString::fromStdString(List().GetItemData(row)->name), name);
            QCOMPARE(List().GetImage(row), images[name]);
            QCOMPARE(List().topLevelItem(row)->isSelected(), name == "c.docx");
        }
        QCOMPARE(List().currentItem()->text(kColumnName), QString("c.docx"));

        QTest::keyClick(&List(), Qt::Key_Space);
        QTest::keyClick(&List(), Qt::Key_Space);
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), QStringList({"a.docx", "d.DOCX", "c.docx"}));
    }

    void spaceTicksEverySelectedRow() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        List().setFocus();
        const QStringList all({"a.docx", "B.docx", "c.docx", "d.DOCX"});
        QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), all);
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), QStringList());

        // A partial, mixed selection takes the toggled tick of the focused row (d.DOCX, unticked); a.docx
        // is not selected and stays unticked.
        ClickRow("c.docx");
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), QStringList({"c.docx"}));
        ClickRow("B.docx");
        ClickRow("c.docx", Qt::ControlModifier);
        ClickRow("d.DOCX", Qt::ControlModifier);
        QCOMPARE(List().GetSelectedCount(), 3);
        QCOMPARE(List().currentItem()->text(kColumnName), QString("d.DOCX"));
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), QStringList({"B.docx", "c.docx", "d.DOCX"}));
        QTest::keyClick(&List(), Qt::Key_Space);
        QCOMPARE(Ticked(List()), QStringList());
    }

    void aCutNameShowsWholeInATooltip() {
        const QString longName = QString(120, 'n') + ".docx";
        folder_->WriteFile("a.docx");
        folder_->WriteFile(longName.toStdString());
        MakeDialog();
        SelectFolder(Folder());
        List().header()->resizeSection(kColumnName, 150);
        auto tooltipOver = [this](const QString& name) {
            QList<QTreeWidgetItem*> found = List().findItems(name, Qt::MatchExactly, kColumnName);
            if (found.size() != 1) return QStringLiteral("no row %1").arg(name);
            const int row = List().indexOfTopLevelItem(found.first());
            const QPoint at = List().visualRect(List().model()->index(row, kColumnName)).center();
            QHelpEvent event(QEvent::ToolTip, at, List().viewport()->mapToGlobal(at));
            QApplication::sendEvent(List().viewport(), &event);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(tooltipOver("a.docx"), QString());  // shown whole, so no tooltip
        QCOMPARE(tooltipOver(longName), longName);
    }

    void aFolderShowsItsWholeNameInATooltip() {
        const QString longName = QString(120, 'f');
        std::filesystem::create_directories(folder_->path() / longName.toStdString());
        MakeDialog();
        SelectFolder(Folder() + "/" + longName);
        ShellTreeControl& tree = dialog_->FolderTree();
        QCOMPARE(tree.currentIndex().data(Qt::ToolTipRole).toString(), longName);
    }

    void anEmptyListSaysWhatTheFilterHides() {
        for (const char* name : {"a.doc", "b.doc", "c.DOC"}) folder_->WriteFile(name);
        std::filesystem::create_directories(folder_->path() / "one");
        folder_->WriteFile("one/only.docx");
        std::filesystem::create_directories(folder_->path() / "none");
        MakeDialog();
        SelectFolder(Folder());
        QCOMPARE(List().GetItemCount(), 0);
        QCOMPARE(List().EmptyText(), QString("3 Word 97-2003 documents are hidden by the Filter"));
        QCOMPARE(List().accessibleDescription(), List().EmptyText());

        // Drawn inside the list: the viewport looks different without the line.
        const QImage drawn = List().viewport()->grab().toImage();
        List().SetEmptyText(QString());
        QVERIFY(List().viewport()->grab().toImage() != drawn);

        ChooseFilter(1);
        QCOMPARE(List().GetItemCount(), 3);
        QCOMPARE(List().EmptyText(), QString());
        SelectFolder(Folder() + "/one");
        QCOMPARE(List().EmptyText(), QString("1 Word 2007 document is hidden by the Filter"));
        SelectFolder(Folder() + "/none");
        QCOMPARE(List().EmptyText(), QString());
    }

    void contextMenuItems() {
        folder_->WriteFile("a.docx");
        MakeDialog();
        SelectFolder(Folder());
        QCOMPARE(UseContextMenu(QString()),
                 QStringList({"Open", "", "Check", "Uncheck", "", "Check All", "Uncheck All"}));
    }

    void shiftF10OpensTheMenuAtTheFocusedRow() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        ClickRow("c.docx");
        QRect shownAt;
        test::ModalAnswer<QMenu> answer([&](QMenu& menu) {
            shownAt = menu.geometry();
            for (QAction* action : menu.actions())
                if (action->text() == "Check") menu.setActiveAction(action);
            QTest::keyClick(&menu, Qt::Key_Return);
        });
        QTest::keyClick(&List(), Qt::Key_F10, Qt::ShiftModifier);
        QVERIFY(answer.answered());
        QCOMPARE(Ticked(List()), QStringList({"c.docx"}));
        // At the focused row, inside the list.
        const QRect row = List().visualItemRect(List().currentItem());
        QCOMPARE(shownAt.top(), List().viewport()->mapToGlobal(row.bottomLeft()).y());
        QVERIFY(QRect(List().viewport()->mapToGlobal(QPoint(0, 0)), List().viewport()->size())
                    .contains(shownAt.topLeft()));
    }

    void checkAndUncheckTheSelectedRows() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        List().clearSelection();
        UseContextMenu("Check");
        QCOMPARE(Ticked(List()), QStringList());

        ClickRow("a.docx");
        ClickRow("c.docx", Qt::ControlModifier);
        ClickRow("d.DOCX", Qt::ControlModifier);
        UseContextMenu("Check");
        QCOMPARE(Ticked(List()), QStringList({"a.docx", "c.docx", "d.DOCX"}));

        ClickRow("c.docx");
        UseContextMenu("Uncheck");
        QCOMPARE(Ticked(List()), QStringList({"a.docx", "d.DOCX"}));
    }

    void checkAndUncheckAllWhateverTheSelection() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        ClickRow("B.docx");
        UseContextMenu("Check All");
        QCOMPARE(Ticked(List()), Names(List()));
        List().clearSelection();
        UseContextMenu("Uncheck All");
        QCOMPARE(Ticked(List()), QStringList());
    }

    void ctrlASelectsEveryRowAndFocusesTheLast() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        ClickRow("B.docx");
        QTest::keyClick(&List(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(List().GetSelectedCount(), 4);
        QCOMPARE(List().currentItem(), List().topLevelItem(3));
        UseContextMenu("Check");
        QCOMPARE(Ticked(List()), Names(List()));
    }

    void openListedFile_data() {
        QTest::addColumn<QStringList>("selected");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("one row") << QStringList{"c.docx"} << QStringList{"/c.docx"};
        QTest::newRow("two rows") << QStringList{"a.docx", "c.docx"} << QStringList{};
        QTest::newRow("no row") << QStringList{} << QStringList{};
    }

    void openListedFile() {
        QFETCH(QStringList, selected);
        QFETCH(QStringList, opened);
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        List().clearSelection();
        for (const QString& name : selected) ClickRow(name, Qt::ControlModifier);
        UseContextMenu("Open");
        for (QString& path : opened) path.prepend(Folder());
        QCOMPARE(opener_.opened, opened);
    }

    void doubleClickOpensTheRow() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        QTreeWidgetItem* item = List().findItems("d.DOCX", Qt::MatchExactly).value(0);
        QVERIFY(item);
        QRect cell = List().visualItemRect(item);
        QPoint point(cell.right() - 10, cell.center().y());
        QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(List().viewport(), Qt::LeftButton, {}, point);
        QCOMPARE(opener_.opened, QStringList({Folder() + "/d.DOCX"}));
    }

    void openButton_data() {
        QTest::addColumn<QString>("outDir");
        QTest::addColumn<bool>("selectFolder");
        QTest::addColumn<QString>("opened");  // "<folder>" for the folder selected in the tree
        QTest::newRow("original directory") << "Original directory" << true << "<folder>";
        QTest::newRow("original directory, no folder yet") << "Original directory" << false << "";
        QTest::newRow("an output folder") << "/srv/out" << true << "/srv/out";
    }

    void openButton() {
        QFETCH(QString, outDir);
        QFETCH(bool, selectFolder);
        QFETCH(QString, opened);
        QVERIFY(settings_->WriteString("OutputDir2", "/srv/out"));
        QVERIFY(settings_->WriteString("OutDir", outDir.toStdString()));
        MakeDialog();
        QCOMPARE(dialog_->FolderCombo().currentText(), outDir);
        if (selectFolder) SelectFolder(Folder());
        QTest::mouseClick(resources::Control<QPushButton>(*dialog_, ids::kOpenFolderButton), Qt::LeftButton);
        opened.replace("<folder>", Folder());
        QCOMPARE(opener_.opened, opened.isEmpty() ? QStringList() : QStringList{opened});
    }

    void enterRunsConvertAndEscCloses() {
        MakeDialog();
        auto* convert = resources::Control<QPushButton>(*dialog_, ids::kConvertButton);
        QVERIFY(convert->isDefault());
        QSignalSpy pressed(convert, &QPushButton::clicked);
        dialog_->FolderTree().setFocus();
        QTest::keyClick(&dialog_->FolderTree(), Qt::Key_Return);
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(messages_.shown,
                 std::vector<std::string>{"Please select files first!"});  // nothing was ticked
        QVERIFY(dialog_->isVisible());                                     // Convert leaves the window open
        QTest::keyClick(dialog_.get(), Qt::Key_Escape);
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int(QDialog::Rejected));
    }

    void destroyingTheWindowFreesTheEntries() {
        WriteSortFolder();
        MakeDialog();
        SelectFolder(Folder());
        QCOMPARE(state_->m_arrEntries.size(), std::size_t(4));
        dialog_.reset();
        QVERIFY(state_->m_arrEntries.empty());
    }

    void templateGeometryInPixels_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("rect");
        // One dialog unit is 6/4 pixels across and 13/8 down, rounded half up.
        QTest::newRow("tree") << ids::kFolderTree << QRect(6, 26, 174, 366);
        QTest::newRow("list") << ids::kFileList << QRect(185, 26, 564, 366);
        QTest::newRow("group") << ids::kTargetGroup << QRect(6, 398, 485, 89);
        QTest::newRow("convert") << ids::kConvertButton << QRect(518, 421, 102, 55);
        QTest::newRow("help") << ids::kOnlineHelpButton << QRect(632, 421, 102, 55);
        QTest::newRow("...") << ids::kBrowseButton << QRect(401, 455, 33, 23);
        QTest::newRow("open") << ids::kOpenFolderButton << QRect(438, 455, 33, 23);
        QTest::newRow("filter label") << ids::kFilterLabel << QRect(561, 10, 44, 13);
    }

    // The template's layout, as the window holds it before it is first shown and laid out.
    void templateGeometryInPixels() {
        QFETCH(int, id);
        QFETCH(QRect, rect);
        MainWindowDialog dialog(*state_, *settings_);
        QWidget* control = resources::FindControl(dialog, id);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        QCOMPARE(dialog.size(), QSize(756, 494));
    }

    void resizing_data() {
        QTest::addColumn<QSize>("start");         // the client size when first shown; invalid: the template's
        QTest::addColumn<QList<QSize>>("sizes");  // then asked for in turn
        QTest::addColumn<int>("splitLeft");
        QTest::addColumn<int>("splitRight");
        QTest::addColumn<int>("listPane");
        // The template's 494 pixels are below the minimum with a frame of less than 6: the window grows to
        // it, and at that height the list pane's height is reset.
        QTest::newRow("template size") << QSize() << QList<QSize>{} << 180 << 185 << 152;
        QTest::newRow("wider") << QSize(900, 700) << QList<QSize>{{1200, 700}} << 180 << 185 << 366;
        QTest::newRow("narrower moves the split for good")
            << QSize(900, 700) << QList<QSize>{{740, 700}, {1200, 700}} << 186 << 192 << 366;
        QTest::newRow("shorter") << QSize(900, 700) << QList<QSize>{{900, 560}} << 180 << 185 << 152;
        QTest::newRow("below the minimum")
            << QSize(900, 700) << QList<QSize>{{300, 200}} << 186 << 192 << 152;
    }

    void resizing() {
        QFETCH(QSize, start);
        QFETCH(QList<QSize>, sizes);
        QFETCH(int, splitLeft);
        QFETCH(int, splitRight);
        QFETCH(int, listPane);
        QMap<int, QRect> original;
        {
            MainWindowDialog unshown(*state_, *settings_);
            for (const auto& [id, mode] : kAnchored)
                original[id] = resources::FindControl(unshown, id)->geometry();
        }
        MakeDialog(start);
        for (QSize size : sizes) {
            dialog_->resize(size);
            const QSize outer = size.grownBy(Frame()).expandedTo({740, 500});
            QTRY_COMPARE(dialog_->frameGeometry().size(), outer);
        }
        QCOMPARE(dialog_->Layout().rtSplitVer.left, splitLeft);
        QCOMPARE(dialog_->Layout().rtSplitVer.right, splitRight);
        QCOMPARE(dialog_->Layout().nHeightListSel, listPane);
        QCOMPARE(dialog_->Layout().szMainDlg.cx, dialog_->frameGeometry().width());
        QCOMPARE(dialog_->Layout().szMainDlg.cy, dialog_->frameGeometry().height());
        CheckLayout(original);
    }

    // Minimising changes no size here: nothing is reset, and restoring shows the same layout.
    void minimisedAndRestored() {
        MakeDialog(QSize(900, 700));
        auto geometries = [this] {
            QList<QRect> all;
            for (QWidget* child : dialog_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                all << child->geometry();
            return all;
        };
        const QList<QRect> before = geometries();
        const QSize outer = dialog_->frameGeometry().size();
        dialog_->showMinimized();
        QTRY_VERIFY(dialog_->isMinimized());
        dialog_->showNormal();
        QTRY_VERIFY(!dialog_->isMinimized());
        QCOMPARE(geometries(), before);
        QCOMPARE(dialog_->Layout().rtSplitVer.right, 185);
        QCOMPARE(dialog_->Layout().nHeightListSel, 366);
        QCOMPARE(dialog_->Layout().szMainDlg.cx, outer.width());
        QCOMPARE(dialog_->Layout().szMainDlg.cy, outer.height());
    }

    void layoutSavedAtClose_data() {
        QTest::addColumn<bool>("maximised");
        QTest::newRow("normal") << false;
        QTest::newRow("maximised") << true;
    }

    void layoutSavedAtClose() {
        QFETCH(bool, maximised);
        // Where the window was at set-up is stored, not where it is put or moved afterwards.
        dialog_ = std::make_unique<MainWindowDialog>(*state_, *settings_);
        const QPoint placed = dialog_->frameGeometry().topLeft();
        dialog_->resize(900, 700);
        dialog_->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        dialog_->move(dialog_->pos() + QPoint(40, 30));
        QTRY_VERIFY(dialog_->frameGeometry().topLeft() != placed);
        const QSize normal = dialog_->frameGeometry().size();
        if (maximised) {
            dialog_->showMaximized();
            QTRY_VERIFY(dialog_->isMaximized() && dialog_->frameGeometry().size() != normal);
        }
        const int height = dialog_->height();
        const int right = dialog_->frameGeometry().right() + 1 - dialog_->geometry().left();  // W.right
        dialog_->close();
        dialog_.reset();

        const int splitBottom =
            height - 102;  // the template's distance of the tree's bottom from the client's
        const QList<QPair<QString, int>> expected = {
            {"rtSplitVer_left", 180},
            {"rtSplitVer_top", 26},
            {"rtSplitVer_right", 185},
            {"rtSplitVer_bottom", splitBottom},
            {"rtSplitHor_left", 185},
            {"rtSplitHor_top", splitBottom - 366 - 36},
            {"rtSplitHor_right", right - 11},
            {"rtSplitHor_bottom", splitBottom - 366},
            {"ptMainDlgPos_x", placed.x()},
            {"ptMainDlgPos_y", placed.y()},
            {"szMainDlg_cx", normal.width()},
            {"szMainDlg_cy", normal.height()},
            {"bMaximized", maximised ? 16777216 : 0},
            {"nHeightListSel", 366},
        };
        std::optional<registry::Key> section = registry::Key::Open(
            registry::Root::CurrentUser, settings_->SectionPath(), registry::Access::Read);
        QVERIFY(section);
        for (const auto& [name, value] : expected) {
            std::optional<std::uint32_t> stored = section->QueryDword(name.toStdString());
            QVERIFY2(stored, qPrintable(name));
            QCOMPARE(QPair(name, int(*stored)), QPair(name, value));
        }
    }

    void tabOrderFollowsTheTemplate() {
        MakeDialog();
        QList<int> order;
        QWidget* widget = &dialog_->FolderTree();
        do {
            if (widget->focusPolicy() & Qt::TabFocus) order << resources::ControlId(*widget);
            widget = widget->nextInFocusChain();
        } while (widget != &dialog_->FolderTree() && order.size() < 20);
        // Then the About button, which is no template control.
        QCOMPARE(order, QList<int>({ids::kFolderTree, ids::kFileList, ids::kFormatCombo, ids::kFolderCombo,
                                    ids::kBrowseButton, ids::kConvertButton, ids::kFilterCombo,
                                    ids::kOpenFolderButton, ids::kOnlineHelpButton, ids::kStatic}));
        QCOMPARE(resources::FindControl(*dialog_, ids::kOnlineHelpButton)->nextInFocusChain(),
                 static_cast<QWidget*>(&dialog_->WindowMenuButton()));
    }

    // What is dropped: paths under the temp folder, "url:" a web address, "text:" plain text.
    void dropping_data() {
        QTest::addColumn<QStringList>("dropped");
        QTest::addColumn<bool>("shownBefore");  // "one" selected and all its files ticked before the drop
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("selected");  // under the temp folder; empty: none
        QTest::addColumn<QStringList>("ticked");
        QTest::addColumn<int>("messages");
        QTest::newRow("a folder") << QStringList{"one"} << false << true << "one" << QStringList{} << 0;
        QTest::newRow("files of one folder") << QStringList{"one/c.docx", "one/a.docx"} << false << true
                                             << "one" << QStringList{"a.docx", "c.docx"} << 0;
        QTest::newRow("files of the folder shown, ticked before")
            << QStringList{"one/b.docx"} << true << true << "one" << QStringList{"b.docx"} << 0;
        QTest::newRow("files of two folders")
            << QStringList{"one/b.docx", "two/d.docx", "one/c.docx"} << false << true << "one"
            << QStringList{"b.docx", "c.docx"} << 1;
        QTest::newRow("a file the Filter hides")
            << QStringList{"one/e.doc", "one/a.docx"} << false << true << "one" << QStringList{"a.docx"} << 0;
        QTest::newRow("a web address") << QStringList{"url:https://example.org/one/a.docx"} << false << false
                                       << "" << QStringList{} << 0;
        QTest::newRow("text") << QStringList{"text:one/a.docx"} << false << false << "" << QStringList{} << 0;
    }

    void dropping() {
        QFETCH(QStringList, dropped);
        QFETCH(bool, shownBefore);
        QFETCH(bool, accepted);
        QFETCH(QString, selected);
        QFETCH(QStringList, ticked);
        QFETCH(int, messages);
        for (const char* name : {"one/a.docx", "one/b.docx", "one/c.docx", "one/e.doc", "two/d.docx"})
            folder_->WriteFile(name);
        MakeDialog();
        if (shownBefore) {
            SelectFolder(Folder() + "/one");
            dialog_->SetCheckOnAll(true);
        }
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& item : dropped) {
            if (item.startsWith("url:"))
                urls << QUrl(item.mid(4));
            else if (item.startsWith("text:"))
                data.setText(item.mid(5));
            else
                urls << QUrl::fromLocalFile(Folder() + "/" + item);
        }
        if (!urls.isEmpty()) data.setUrls(urls);

        const QPoint at = List().geometry().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog_.get(), &enter);
        QCOMPARE(enter.isAccepted(), accepted);
        // Dropped all the same: what the window does not take it must leave alone.
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog_.get(), &drop);
        QCOMPARE(drop.isAccepted(), accepted);

        const std::string folder =
            selected.isEmpty() ? std::string() : folder_->str() + "/" + selected.toStdString();
        QCOMPARE(dialog_->FolderTree().GetSelectedPath(),
                 shownBefore && !accepted ? folder_->str() + "/one" : folder);
        if (!selected.isEmpty()) QCOMPARE(Names(List()), QStringList({"a.docx", "b.docx", "c.docx"}));
        QCOMPARE(Ticked(List()), ticked);
        QCOMPARE(int(messages_.shown.size()), messages);
        if (messages)
            QCOMPARE(
                messages_.shown.front(),
                std::string("Only one folder at a time can be converted. The files of the first folder are "
                            "taken."));
    }

    void messageBoxShowsOrTakesItsPresetAnswer() {
        QtMessageBox messages;
        messages.SetNextAnswer(QMessageBox::Ok);
        messages.Show("Please select files first!");  // answered at once

        QString title, text;
        test::ModalAnswer<QMessageBox> answer([&](QMessageBox& box) {
            title = box.windowTitle();
            text = box.text();
            box.button(QMessageBox::Ok)->click();
        });
        messages.Show("Conversion Finished!");
        QVERIFY(answer.answered());
        QCOMPARE(title, QString("Larkspan"));
        QCOMPARE(text, QString("Conversion Finished!"));
        // Only what was answered in advance is kept: a long session's boxes do not pile up.
        QCOMPARE(messages.AnsweredTexts(), (std::vector<std::string>{"Please select files first!"}));
    }
};

int main(int argc, char** argv) {
    // Real widgets without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The pixel values checked here are the layout at the templates' 8 pt font; the dialogs take the
    // application's font, whose default size differs between platforms.
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    MainWindowDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_dialog_test.moc"
