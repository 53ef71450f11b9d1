#pragma once
// The question the worker asks when a target exists: Auto Rename (the default), Overwrite or Cancel, and
// "Save this settings for the task" to answer the same for the rest of the run. Built from template 167.

#include <string>

#include <QDialog>

class QCheckBox;
class QLabel;

namespace larkspan {

class ExistingFilePrompt : public QDialog {
    Q_OBJECT
public:
    explicit ExistingFilePrompt(QWidget* parent = nullptr);

    // Set before the prompt is shown.
    std::string m_strMessage;
    // Read after it closed with OK (Accepted).
    bool m_bRenameChosen = false;
    bool m_bSaveForTask = false;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void OnAutoRename();
    void OnOverwrite();

    QLabel* question_ = nullptr;
    QCheckBox* saveForTask_ = nullptr;
    bool initialized_ = false;
};

}  // namespace larkspan
