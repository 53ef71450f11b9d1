#include "mainwindow/qt_message_box.h"

#include "resources/resource_ids.h"
#include "resources/string_table.h"

namespace larkspan {

void QtMessageBox::Show(std::string_view text) {
    if (!answers_.empty()) {
        answered_.emplace_back(text);
        answers_.pop_front();
        return;
    }
    std::string_view title = resources::LoadString(ids::kStrAppTitle);
    QMessageBox box(
        QMessageBox::NoIcon, QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok, parent_);
    box.exec();
}

}  // namespace larkspan
