#pragma once
// How a path is classified by its ending, how an output path is formed, and when a source is copied
// instead of converted.

#include <string>
#include <string_view>

namespace larkspan {

enum DocumentKind : int {
    KindXls = 0,
    KindMdb = 1,
    KindTxt = 2,
    KindCsv = 3,
    KindDbf = 4,
    KindDoc = 5,
    KindDocx = 6,
    KindOther = 7,
};

// The index of the Format combo: 0 is Word 97-2003 (.doc), 1 is Word 2007 (.docx).
using TargetFormat = int;
inline constexpr TargetFormat kFormatDoc = 0;
inline constexpr TargetFormat kFormatDocx = 1;

DocumentKind GetDocumentKind(std::string_view path);

// The file's own name as stored on disk, less its last extension; empty when the file cannot be found.
std::string GetSourceTitle(std::string_view path);

// "docx" for a non-zero format, else "doc"; always lower case.
std::string_view TargetExtension(TargetFormat format);

// outputFolder + "/" + the source's title + "." + the target extension.
std::string FormatOutputPath(std::string_view outputFolder, std::string_view sourcePath, TargetFormat format);

// False when the source already has the target format and is copied instead.
bool NeedsConversion(DocumentKind kind, TargetFormat format);

// Trailing '/' removed; "/" alone becomes empty (its outputs go into the root folder).
std::string NormalizeOutputFolder(std::string folder);

// The Folder choice that stands for the folder being listed.
inline constexpr std::string_view kOriginalDirectory = "Original directory";

// The folder a run writes into: the listed folder for "Original directory" (exact comparison), else the
// choice itself; normalised either way.
std::string ResolveOutputFolder(std::string_view choice, std::string_view currentFolder);

}  // namespace larkspan
