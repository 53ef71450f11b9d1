#include "mainwindow/file_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace larkspan {

void DesktopFileOpener::Open(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path)));
}

}  // namespace larkspan
