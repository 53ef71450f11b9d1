#include "engine/document_kind.h"

#include "platform/filesearch.h"
#include "platform/paths.h"

namespace larkspan {

DocumentKind GetDocumentKind(std::string_view path) {
    if (path.size() < 5) return KindDoc;
    std::string last4 = paths::ToLowerAscii(std::string(path.substr(path.size() - 4)));
    std::string last5 = paths::ToLowerAscii(std::string(path.substr(path.size() - 5)));
    static constexpr std::string_view kEndings[] = {".xls", ".mdb", ".txt", ".csv", ".dbf", ".doc"};
    for (int i = 0; i < 6; ++i)
        if (last4 == kEndings[i]) return static_cast<DocumentKind>(i);
    return last5 == ".docx" ? KindDocx : KindOther;
}

std::string GetSourceTitle(std::string_view path) {
    std::optional<filesearch::FoundEntry> found = filesearch::FindFile(path);
    if (!found) return {};
    std::size_t dot = found->name.rfind('.');
    return dot == std::string::npos ? found->name : found->name.substr(0, dot);
}

std::string_view TargetExtension(TargetFormat format) {
    return format != 0 ? "docx" : "doc";
}

std::string FormatOutputPath(std::string_view outputFolder, std::string_view sourcePath,
                             TargetFormat format) {
    std::string path(outputFolder);
    path += '/';
    path += GetSourceTitle(sourcePath);
    path += '.';
    path += TargetExtension(format);
    return path;
}

bool NeedsConversion(DocumentKind kind, TargetFormat format) {
    if (kind == KindDoc && format == kFormatDoc) return false;
    if (kind == KindDocx && format == kFormatDocx) return false;
    return true;
}

std::string NormalizeOutputFolder(std::string folder) {
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    return folder;
}

std::string ResolveOutputFolder(std::string_view choice, std::string_view currentFolder) {
    return NormalizeOutputFolder(std::string(choice == kOriginalDirectory ? currentFolder : choice));
}

}  // namespace larkspan
