#pragma once
// The main window: a dialog built from template 102 over the windowless MainWindow state. The user picks
// a folder in the tree, sees its documents of the Filter's kind in the file list, sorts, ticks and opens
// them, and chooses the target format and output folder.

#include <memory>
#include <string>

#include <QDialog>
#include <QMargins>

#include "mainwindow/anchor_table.h"
#include "mainwindow/file_list_control.h"
#include "mainwindow/layout_state.h"
#include "mainwindow/shell_file_info.h"

class QComboBox;
class QToolButton;

namespace larkspan {

class ExistingFileQuestion;
class FileOpener;
class FolderPicker;
class MainWindow;
class MessageBox;
class QtMessageBox;
class SettingsStore;
class ShellTreeControl;

class MainWindowDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the window and runs its set-up (OnInitDialog).
    MainWindowDialog(MainWindow& state, SettingsStore& settings, QWidget* parent = nullptr);
    ~MainWindowDialog() override;

    MainWindow& State() const { return state_; }

    // Where files and folders are opened; nullptr goes back to the desktop's opener. Not owned.
    void SetFileOpener(FileOpener* opener);
    // Where the window's messages go; nullptr goes back to its own message boxes. Not owned.
    void SetMessageBox(MessageBox* messages);
    // Who answers the existing-file questions of a run; nullptr goes back to the prompt. Not owned.
    void SetExistingFileQuestion(ExistingFileQuestion* question) { question_ = question; }
    // Who picks an output folder for "..."; nullptr goes back to the desktop's folder dialog. Not owned.
    void SetFolderPicker(FolderPicker* picker) { picker_ = picker; }

    // Moves the Format and Folder choices between the controls and the members: towards the window when
    // saveAndValidate is false, from it when true.
    void DoDataExchange(bool saveAndValidate);

    // Rebuilds the list for folder: images, found paths, rows and entries.
    void RefreshFileList(const std::string& folder);
    // Rows and entries from m_arrFoundPaths, in their order.
    void FillFileList();

    void SetCheckOnSelected(bool ticked);
    void SetCheckOnAll(bool ticked);
    void OpenListedFile();
    void OpenOutputFolder();

    // The Folder combo's history (mainwindow/output_history.cpp). A folder picked with the folder picker
    // is added below item 0 unless an item of exactly that text exists, which is then selected.
    void AddPickedFolder(const QString& path);
    // The first five items into "OutputDir1" to "OutputDir5".
    void SaveOutputHistory();

    // A command of the file list's context menu.
    void OnCommand(int command);
    // A command of the window menu (the About item).
    void OnSysCommand(int command);

    ShellTreeControl& FolderTree() const { return *tree_; }
    FileListControl& FileList() const { return *list_; }
    QComboBox& FormatCombo() const { return *format_; }
    QComboBox& FolderCombo() const { return *folder_; }
    QComboBox& FilterCombo() const { return *filter_; }
    const ImageList& Images() const { return imageList_; }
    const ShellFileInfo& FileTypes() const { return fileTypes_; }
    // The button that opens the window menu, since the window manager's menu cannot take our item.
    QToolButton& WindowMenuButton() const { return *windowMenu_; }
    // What resizing keeps and closing saves (mainwindow/main_window_layout.cpp).
    const LayoutState& Layout() const { return layout_; }

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Files and folders dropped on the window (mainwindow/file_drop.cpp).
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool OnInitDialog();
    void AddWindowMenu();
    // Buddies and accessible names for screen readers.
    void NameControls();
    void OnDestroy();

    // Handlers of the controls.
    void OnSelChangedTree();
    void OnSelChangeFilter();
    void OnColumnClickList(int column);
    void OnDblClkList();
    // Convert (mainwindow/convert_command.cpp).
    void OnOK();
    void BrowseOutputFolder();
    void ShowOnlineHelp();

    // "3 Word 97-2003 documents are hidden by the Filter": the documents in folder of the type the Filter
    // does not show, or "" when there are none.
    QString HiddenDocumentsText(const std::string& folder) const;

    // The Folder combo's items from the settings (mainwindow/output_history.cpp).
    void LoadOutputHistory();
    // The layout (mainwindow/main_window_layout.cpp): the template's layout recorded once, the controls
    // moved after each size change, the smallest size, the fourteen values saved at destroy.
    void InitialLayout();
    void Relayout();
    void OnSize();
    void OnGetMinMaxInfo(bool sizeChanged);
    void SaveLayout();
    // The window's outer rectangle in its own client coordinates (negative left and top by the frame).
    EdgeRect WindowRectInClient() const;
    QMargins FrameMargins() const;
    void FollowFrame();
    EdgeRect ControlRect(int id) const;
    void MoveControl(int id, const EdgeRect& rect);

    MainWindow& state_;
    SettingsStore& settings_;
    std::unique_ptr<FileOpener> desktopOpener_;
    FileOpener* opener_;
    std::unique_ptr<QtMessageBox> ownMessages_;
    MessageBox* messages_;
    ExistingFileQuestion* question_ = nullptr;
    FolderPicker* picker_ = nullptr;

    ShellTreeControl* tree_ = nullptr;
    FileListControl* list_ = nullptr;
    QComboBox* format_ = nullptr;
    QComboBox* folder_ = nullptr;
    QComboBox* filter_ = nullptr;
    QToolButton* windowMenu_ = nullptr;

    ImageList imageList_;
    ShellFileInfo fileTypes_;
    LayoutState layout_;
    AnchorTable anchors_;
    QMargins measuredFrame_;  // the frame the layout's distances include
    bool heldToScreen_ = false;
};

}  // namespace larkspan
