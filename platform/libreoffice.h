#pragma once
// Where the engine finds LibreOffice, and which one it is: both programs need to agree on it, the converter
// to start it and larkspan to name it (--version, the report).

#include <filesystem>
#include <string>

namespace larkspan::libreoffice {

// $LARKSPAN_LIBREOFFICE, or /usr/lib/libreoffice/program.
std::filesystem::path ProgramFolder();

// The version of the LibreOffice in programFolder ("7.4.7.2"), from its installed settings; empty when that
// cannot be told.
std::string InstalledVersion(const std::filesystem::path& programFolder);

}  // namespace larkspan::libreoffice
