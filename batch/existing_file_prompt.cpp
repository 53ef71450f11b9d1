#include "batch/existing_file_prompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "resources/dialog_builder.h"
#include "resources/drawn_icon.h"
#include "resources/images.h"
#include "resources/resource_ids.h"

namespace larkspan {

ExistingFilePrompt::ExistingFilePrompt(QWidget* parent) : QDialog(parent) {
    resources::BuildDialog(*this, resources::ExistingFilePromptTemplate());
    question_ = resources::Control<QLabel>(*this, ids::kQuestionText);
    saveForTask_ = resources::Control<QCheckBox>(*this, ids::kSaveForTaskCheck);
    connect(resources::Control<QPushButton>(*this, ids::kAutoRenameButton), &QPushButton::clicked, this,
            &ExistingFilePrompt::OnAutoRename);
    connect(resources::Control<QPushButton>(*this, ids::kOverwriteButton), &QPushButton::clicked, this,
            &ExistingFilePrompt::OnOverwrite);
    // Cancel, Escape and the close box all end here without taking the check box.
    connect(resources::Control<QPushButton>(*this, ids::kCancelButton), &QPushButton::clicked, this,
            &QDialog::reject);
}

void ExistingFilePrompt::showEvent(QShowEvent* event) {
    if (!initialized_) OnInitDialog();
    QDialog::showEvent(event);
}

void ExistingFilePrompt::OnInitDialog() {
    initialized_ = true;
    auto* icon = resources::Control<QLabel>(*this, ids::kWarningIcon);
    icon->setPixmap(resources::PixmapFor(resources::WarningIcon(), 32, *icon));
    icon->setAccessibleName(QStringLiteral("Warning"));
    m_bRenameChosen = false;
    question_->setText(QString::fromLocal8Bit(m_strMessage));
    // Read with the dialog when it opens, as a message box's text is.
    setAccessibleDescription(question_->text());
    saveForTask_->setChecked(m_bSaveForTask);
    // The focus starts where Enter acts: on the default button, not on the check box that comes first.
    resources::FindControl(*this, ids::kAutoRenameButton)->setFocus();
}

void ExistingFilePrompt::OnAutoRename() {
    m_bRenameChosen = true;
    m_bSaveForTask = saveForTask_->isChecked();
    accept();
}

void ExistingFilePrompt::OnOverwrite() {
    m_bRenameChosen = false;
    m_bSaveForTask = saveForTask_->isChecked();
    accept();
}

}  // namespace larkspan
