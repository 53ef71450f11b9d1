#include "mainwindow/main_window_dialog.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include "mainwindow/about_box.h"
#include "mainwindow/combo_search.h"
#include "mainwindow/file_opener.h"
#include "mainwindow/folder_picker.h"
#include "mainwindow/main_window.h"
#include "mainwindow/qt_message_box.h"
#include "mainwindow/shell_tree_control.h"
#include "mainwindow/web_addresses.h"
#include "mainwindow/web_page.h"
#include "platform/filesearch.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "resources/dialog_builder.h"
#include "resources/images.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace larkspan {
namespace {

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The wait cursor for a long list operation, restored also when an exception passes.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// No drawing of a widget while rows are added and removed.
class SuspendedDrawing {
public:
    explicit SuspendedDrawing(QWidget& widget) : widget_(widget) { widget_.setUpdatesEnabled(false); }
    ~SuspendedDrawing() { widget_.setUpdatesEnabled(true); }
    SuspendedDrawing(const SuspendedDrawing&) = delete;
    SuspendedDrawing& operator=(const SuspendedDrawing&) = delete;

private:
    QWidget& widget_;
};

struct ColumnSetup {
    const char* title;
    Qt::Alignment alignment;
    int width;
};

constexpr ColumnSetup kColumns[] = {
    {"Name", Qt::AlignLeft, 200},
    {"Size", Qt::AlignRight, 100},
    {"Type", Qt::AlignLeft, 130},
    {"Modify Date", Qt::AlignLeft, 110},
};

// Where the window menu's button sits, in dialog units: the free corner above the tree's right end.
constexpr resources::DialogRect kWindowMenuButtonRect{104, 2, 16, 12};

}  // namespace

MainWindowDialog::MainWindowDialog(MainWindow& state, SettingsStore& settings, QWidget* parent)
    : QDialog(parent),
      state_(state),
      settings_(settings),
      desktopOpener_(std::make_unique<DesktopFileOpener>()),
      opener_(desktopOpener_.get()),
      ownMessages_(std::make_unique<QtMessageBox>(this)),
      messages_(ownMessages_.get()) {
    resources::BuildDialog(*this, resources::MainWindowTemplate(),
                           [](const resources::ControlTemplate& control, QWidget* parent) -> QWidget* {
                               if (control.id == ids::kFolderTree) return new ShellTreeControl(parent);
                               if (control.id == ids::kFileList) return new FileListControl(parent);
                               return nullptr;
                           });
    filter_ = resources::Control<QComboBox>(*this, ids::kFilterCombo);
    folder_ = resources::Control<QComboBox>(*this, ids::kFolderCombo);
    format_ = resources::Control<QComboBox>(*this, ids::kFormatCombo);
    tree_ = resources::Control<ShellTreeControl>(*this, ids::kFolderTree);
    list_ = resources::Control<FileListControl>(*this, ids::kFileList);

    connect(tree_, &ShellTreeControl::SelectedFolderChanged, this, &MainWindowDialog::OnSelChangedTree);
    connect(filter_, &QComboBox::activated, this, &MainWindowDialog::OnSelChangeFilter);
    connect(list_->header(), &QHeaderView::sectionClicked, this, &MainWindowDialog::OnColumnClickList);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &MainWindowDialog::OnDblClkList);
    connect(list_, &FileListControl::CommandChosen, this, &MainWindowDialog::OnCommand);
    auto onClick = [this](int id, void (MainWindowDialog::*handler)()) {
        connect(resources::Control<QPushButton>(*this, id), &QPushButton::clicked, this, handler);
    };
    onClick(ids::kConvertButton, &MainWindowDialog::OnOK);
    onClick(ids::kBrowseButton, &MainWindowDialog::BrowseOutputFolder);
    onClick(ids::kOpenFolderButton, &MainWindowDialog::OpenOutputFolder);
    onClick(ids::kOnlineHelpButton, &MainWindowDialog::ShowOnlineHelp);
    setAcceptDrops(true);  // files and folders, mainwindow/file_drop.cpp

    OnInitDialog();
}

MainWindowDialog::~MainWindowDialog() {
    OnDestroy();
}

void MainWindowDialog::SetFileOpener(FileOpener* opener) {
    opener_ = opener ? opener : desktopOpener_.get();
}

void MainWindowDialog::SetMessageBox(MessageBox* messages) {
    messages_ = messages ? messages : ownMessages_.get();
}

void MainWindowDialog::DoDataExchange(bool saveAndValidate) {
    if (saveAndValidate) {
        state_.m_nFormat = format_->currentIndex();
        state_.m_strOutDir = folder_->currentText().toLocal8Bit().toStdString();
        return;
    }
    format_->setCurrentIndex(state_.m_nFormat);
    SelectStringPrefix(*folder_, -1, QString::fromLocal8Bit(state_.m_strOutDir));
}

bool MainWindowDialog::OnInitDialog() {
    DoDataExchange(false);
    AddWindowMenu();
    NameControls();
    setWindowIcon(resources::ApplicationIcon());
    state_.ApplicationFolder = paths::ExecutableFolder();

    imageList_.RemoveAll();
    list_->SetSmallImageList(&imageList_);
    list_->setColumnCount(static_cast<int>(std::size(kColumns)));
    QTreeWidgetItem* header = list_->headerItem();
    for (int column = 0; column < static_cast<int>(std::size(kColumns)); ++column) {
        header->setText(column, QString::fromLatin1(kColumns[column].title));
        header->setTextAlignment(column, kColumns[column].alignment | Qt::AlignVCenter);
        list_->header()->resizeSection(column, kColumns[column].width);
    }
    // Check boxes and full-row selection are the FileListControl's own settings.

    setWindowTitle(Text(resources::LoadString(ids::kStrAppTitle)) + QLatin1Char(' ') +
                   Text(resources::LoadString(ids::kStrVersion)));

    // Home opened, the root closed; no folder is selected, so the list stays empty until the user picks one.
    tree_->AddRootFolderContent();
    tree_->expand(tree_->model()->index(0, 0));

    state_.m_strOutDir = settings_.GetString("OutDir");
    DoDataExchange(false);
    state_.m_strFilePattern = "*.DOCX";
    LoadOutputHistory();
    filter_->setCurrentIndex(0);
    InitialLayout();

    tree_->setFocus();
    return true;
}

void MainWindowDialog::AddWindowMenu() {
    std::string_view aboutText = resources::LoadString(ids::kStrAboutItem);
    if (aboutText.empty()) return;
    windowMenu_ = new QToolButton(this);
    windowMenu_->setIcon(resources::ApplicationIcon());
    windowMenu_->setAutoRaise(true);
    // Reached by Tab after the template's controls, so that the keyboard and screen readers find it too.
    windowMenu_->setFocusPolicy(Qt::TabFocus);
    QWidget::setTabOrder(resources::FindControl(*this, ids::kOnlineHelpButton), windowMenu_);
    windowMenu_->setToolTip(Text(aboutText).remove(QLatin1Char('&')));
    windowMenu_->setAccessibleName(windowMenu_->toolTip());
    windowMenu_->setPopupMode(QToolButton::InstantPopup);
    windowMenu_->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    windowMenu_->setGeometry(resources::ToPixels(*this, kWindowMenuButtonRect));

    auto* menu = new QMenu(windowMenu_);
    QAction* about = menu->addAction(Text(aboutText));
    about->setData(ids::kSysCmdAbout);
    connect(menu, &QMenu::triggered, this, [this](QAction* action) { OnSysCommand(action->data().toInt()); });
    windowMenu_->setMenu(menu);
}

void MainWindowDialog::NameControls() {
    // A combo box is read by its current value whatever its accessible name says, so its label names it
    // through the labelled-by relation. The labels hold no '&': no mnemonic is added or taken.
    const std::pair<int, QComboBox*> labelled[] = {
        {ids::kFormatLabel, format_}, {ids::kFolderLabel, folder_}, {ids::kFilterLabel, filter_}};
    for (const auto& [label, combo] : labelled) resources::Control<QLabel>(*this, label)->setBuddy(combo);
    // Controls whose text says nothing (or that have none).
    tree_->setAccessibleName(QStringLiteral("Folders"));
    list_->setAccessibleName(QStringLiteral("Documents"));
    resources::FindControl(*this, ids::kBrowseButton)
        ->setAccessibleName(QStringLiteral("Choose output folder"));
}

void MainWindowDialog::OnSysCommand(int command) {
    if ((command & 0xFFF0) != ids::kSysCmdAbout) return;
    AboutBox about(opener_, this);
    about.exec();
}

void MainWindowDialog::OnDestroy() {
    layout_.bMaximized = isMaximized() ? kMaximizedStyle : 0;
    SaveLayout();
    anchors_.Clear();
    // Rows go before their entries, so no row ever points at a destroyed entry.
    list_->clear();
    state_.FreeEntries();
}

void MainWindowDialog::OnSelChangedTree() {
    state_.m_strCurrentFolder = tree_->GetSelectedPath();
    RefreshFileList(state_.m_strCurrentFolder);
}

void MainWindowDialog::OnSelChangeFilter() {
    state_.m_strFilePattern = filter_->currentIndex() == 1 ? "*.DOC" : "*.DOCX";
    RefreshFileList(state_.m_strCurrentFolder);
}

void MainWindowDialog::RefreshFileList(const std::string& folder) {
    imageList_.RemoveAll();
    state_.m_arrFoundPaths.clear();
    state_.ScanFolder(folder, "");
    state_.SortFoundPaths();
    FillFileList();
    // An empty list over a folder of the other type's documents says why it is empty.
    list_->SetEmptyText(list_->GetItemCount() == 0 && !folder.empty() ? HiddenDocumentsText(folder)
                                                                      : QString());
}

QString MainWindowDialog::HiddenDocumentsText(const std::string& folder) const {
    const int hidden = filter_->currentIndex() == 1 ? 0 : 1;
    MainWindow other;
    other.ScanFolder("", folder + "/" + (hidden == 1 ? "*.DOC" : "*.DOCX"));
    const std::size_t count = other.m_arrFoundPaths.size();
    if (count == 0) return {};
    // The type as the Filter names it: "Word 97-2003(*.DOC)" gives "Word 97-2003".
    const QString type = filter_->itemText(hidden).section(QLatin1Char('('), 0, 0).trimmed();
    if (count == 1) return QStringLiteral("1 %1 document is hidden by the Filter").arg(type);
    return QStringLiteral("%1 %2 documents are hidden by the Filter")
        .arg(QString::fromStdString(FormatGrouped(static_cast<double>(count), 0)), type);
}

void MainWindowDialog::FillFileList() {
    WaitCursor wait;
    SuspendedDrawing suspended(*list_);
    list_->clear();
    state_.FreeEntries();

    // The rows are inserted together once built: one insertion for the view instead of one per file.
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<qsizetype>(state_.m_arrFoundPaths.size()));
    for (const std::string& path : state_.m_arrFoundPaths) {
        std::optional<filesearch::FoundEntry> found = filesearch::FindFile(path);
        if (!found) continue;  // gone since the scan
        auto entry = std::make_unique<FileListEntry>();
        entry->name = found->name;
        int image = imageList_.Add(fileTypes_.GetShellSmallIcon(path));
        QTreeWidgetItem* row = list_->MakeRow(*entry, image);
        entry->size = found->size;
        row->setText(kColumnSize, QString::fromStdString(FormatSizeText(entry->size)));
        const QString& typeName = fileTypes_.GetShellTypeName(path);
        entry->typeName = typeName.toStdString();
        row->setText(kColumnType, typeName);
        if (found->lastWrite) {
            entry->lastWrite = found->lastWrite;
            row->setText(kColumnModifyDate, QString::fromStdString(FormatModifyTime(entry->lastWrite)));
        }
        rows.append(row);
        state_.m_arrEntries.push_back(std::move(entry));
    }
    list_->addTopLevelItems(rows);
}

void MainWindowDialog::OnColumnClickList(int column) {
    if (column == state_.m_nSortColumn)
        state_.m_bSortAscending = state_.m_bSortAscending ? 0 : 1;
    else
        state_.m_bSortAscending = 1;
    state_.m_nSortColumn = column;
    list_->SortItems({state_.m_bSortAscending, column});
}

void MainWindowDialog::OnDblClkList() {
    OpenListedFile();
}

void MainWindowDialog::OnCommand(int command) {
    switch (command) {
        case ids::kCmdOpen:
            OpenListedFile();
            break;
        case ids::kCmdCheck:
            SetCheckOnSelected(true);
            break;
        case ids::kCmdUncheck:
            SetCheckOnSelected(false);
            break;
        case ids::kCmdCheckAll:
            SetCheckOnAll(true);
            break;
        case ids::kCmdUncheckAll:
            SetCheckOnAll(false);
            break;
        default:
            break;
    }
}

void MainWindowDialog::SetCheckOnSelected(bool ticked) {
    int selected = list_->GetSelectedCount();
    if (selected == 0) return;
    WaitCursor wait;
    int row = -1;
    for (int i = 0; i < selected; ++i) {
        row = list_->GetNextSelected(row);
        if (row < 0) break;
        list_->SetCheck(row, ticked);
    }
}

void MainWindowDialog::SetCheckOnAll(bool ticked) {
    for (int row = 0; row < list_->GetItemCount(); ++row) list_->SetCheck(row, ticked);
}

void MainWindowDialog::OpenListedFile() {
    if (list_->GetSelectedCount() > 1) return;
    int row = list_->GetNextSelected(-1);
    if (row < 0) return;
    opener_->Open(paths::Join(state_.m_strCurrentFolder, list_->GetItemData(row)->name));
}

void MainWindowDialog::OpenOutputFolder() {
    DoDataExchange(true);
    const std::string& folder =
        state_.m_strOutDir == kOriginalDirectory ? state_.m_strCurrentFolder : state_.m_strOutDir;
    // With no folder chosen yet there is nothing to open, and nothing is reported.
    if (folder.empty()) return;
    opener_->Open(folder);
}

void MainWindowDialog::BrowseOutputFolder() {
    // A folder the user cannot write to is taken all the same: the run reports it for each file.
    FolderDialog desktopPicker;
    FolderPicker& picker = picker_ ? *picker_ : desktopPicker;
    FolderPick pick = picker.DoModal(QStringLiteral("Select a Directory"), folder_->currentText(), this);
    if (pick.result != kFolderPickOk) return;
    AddPickedFolder(pick.path);
}

void MainWindowDialog::ShowOnlineHelp() {
    OpenWebPage(FaqAddress(), *opener_);
}

}  // namespace larkspan
