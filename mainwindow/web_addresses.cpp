#include "mainwindow/web_addresses.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "platform/paths.h"

namespace larkspan {
namespace {

// LARKSPAN_HELP_FROM_PROGRAM: the installed help folder relative to the program's folder.
// LARKSPAN_SOURCE_HELP: the help folder of the source tree that a build came from.
QString HelpFolder() {
    const QString installed =
        QString::fromLocal8Bit(paths::ExecutableFolder()) + QStringLiteral(LARKSPAN_HELP_FROM_PROGRAM);
    const QString source = QStringLiteral(LARKSPAN_SOURCE_HELP);
    for (const QString& folder : {installed, source})
        if (QFileInfo(folder + QStringLiteral("/index.htm")).isFile()) return QDir::cleanPath(folder);
    // Neither is there: the installed place is still the one to name, so the failure says where it looked.
    return QDir::cleanPath(installed);
}

}  // namespace

std::string SiteAddress() {
    return QUrl::fromLocalFile(HelpFolder() + QLatin1Char('/')).toString(QUrl::FullyEncoded).toStdString();
}

std::string HomePageAddress() {
    return SiteAddress() + "index.htm";
}

std::string FaqAddress() {
    return SiteAddress() + "Faq.htm";
}

}  // namespace larkspan
