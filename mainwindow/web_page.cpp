#include "mainwindow/web_page.h"

#include <QProcess>
#include <QStringList>

#include "mainwindow/file_opener.h"
#include "mainwindow/htm_association.h"

namespace larkspan {

WebPageResult OpenWebPage(const std::string& address, FileOpener& opener) {
    if (opener.OpenAddress(address)) return WebPageResult::OpenedByDesktop;

    const HtmCommand command = HtmProgramCommand(address);
    if (!command.error.empty()) {
        qWarning("Larkspan: cannot open %s: the desktop did not take it, and %s", address.c_str(),
                 command.error.c_str());
        return WebPageResult::NotOpened;
    }
    // Started on its own, without a shell: the browser outlives this program and is never waited for.
    QStringList arguments;
    for (std::size_t i = 1; i < command.arguments.size(); ++i)
        arguments << QString::fromLocal8Bit(command.arguments[i]);
    if (!QProcess::startDetached(QString::fromLocal8Bit(command.arguments.front()), arguments)) {
        qWarning("Larkspan: cannot open %s: the \".htm\" program did not start: %s", address.c_str(),
                 command.commandLine.c_str());
        return WebPageResult::NotOpened;
    }
    return WebPageResult::OpenedByHtmProgram;
}

}  // namespace larkspan
