#include "mainwindow/shell_file_info.h"

#include <QFileIconProvider>

#include "platform/paths.h"

namespace larkspan {
namespace {

std::string LowerExtension(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    return paths::ToLowerAscii(std::string(name.substr(dot + 1)));
}

}  // namespace

const ShellFileInfo::Kind& ShellFileInfo::Lookup(std::string_view path) {
    std::string extension = LowerExtension(path);
    auto found = kinds_.find(extension);
    if (found != kinds_.end()) return found->second;

    // A made-up name with the extension: the answer must not depend on the rest of the first file's name,
    // since it is kept for every file of that extension.
    QString probe = QStringLiteral("file");
    if (!extension.empty()) probe += QLatin1Char('.') + QString::fromLocal8Bit(extension);
    QMimeType type = mimeTypes_.mimeTypeForFile(probe, QMimeDatabase::MatchExtension);

    Kind kind;
    kind.typeName = type.comment();
    kind.icon = QIcon::fromTheme(type.iconName());
    if (kind.icon.isNull()) kind.icon = QIcon::fromTheme(type.genericIconName());
    if (kind.icon.isNull()) kind.icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return kinds_.emplace(std::move(extension), std::move(kind)).first->second;
}

const QString& ShellFileInfo::GetShellTypeName(std::string_view path) {
    return Lookup(path).typeName;
}

const QIcon& ShellFileInfo::GetShellSmallIcon(std::string_view path) {
    return Lookup(path).icon;
}

}  // namespace larkspan
