#pragma once
// The type name and small icon of a file as the desktop knows its kind. Both follow from the name's
// extension alone: the file is never opened. Each extension is looked up once.

#include <string>
#include <string_view>
#include <unordered_map>

#include <QIcon>
#include <QMimeDatabase>
#include <QString>

namespace larkspan {

class ShellFileInfo {
public:
    // The desktop's name for the type ("Word 2007 document").
    const QString& GetShellTypeName(std::string_view path);
    // The type's theme icon, else the generic file icon.
    const QIcon& GetShellSmallIcon(std::string_view path);

    // How many extensions have been looked up so far.
    std::size_t LookupCount() const { return kinds_.size(); }

private:
    struct Kind {
        QString typeName;
        QIcon icon;
    };
    const Kind& Lookup(std::string_view path);

    QMimeDatabase mimeTypes_;
    std::unordered_map<std::string, Kind> kinds_;  // by lower-cased extension, "" for none
};

}  // namespace larkspan
