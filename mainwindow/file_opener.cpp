#include "mainwindow/file_opener.h"

#include <QDesktopServices>
#include <QUrl>

namespace larkspan {

void DesktopFileOpener::Open(const std::string& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromLocal8Bit(path)));
}

bool DesktopFileOpener::OpenAddress(const std::string& address) {
    const QUrl url(QString::fromStdString(address), QUrl::StrictMode);
    return url.isValid() && QDesktopServices::openUrl(url);
}

}  // namespace larkspan
