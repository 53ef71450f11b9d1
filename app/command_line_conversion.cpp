#include <filesystem>
#include <iostream>

#include "app/command_line.h"
#include "app/message_box.h"
#include "engine/convert_file.h"
#include "engine/word_location.h"
#include "mainwindow/main_window.h"
#include "platform/paths.h"

namespace larkspan {

namespace {

// A plain copy that replaces an existing target; reported like a conversion.
ConversionResult CopySource(const std::string& source, const std::string& target) {
    std::error_code ec;
    if (std::filesystem::equivalent(source, target, ec)) return {true, {}};
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) return {false, "copy failed: " + ec.message()};
    return {true, {}};
}

}  // namespace

int MainWindow::RunCommandLineConversion(const CommandLineArguments& arguments, MessageBox& messages) {
    WordVersionCode = FindWordInstallation(WordFolder);
    m_arrFoundPaths.clear();
    ScanFolder("", arguments.source);

    std::string format = paths::ToLowerAscii(arguments.format);
    m_nFormat = format == "docx" ? kFormatDocx : kFormatDoc;
    std::string outputFolder = NormalizeOutputFolder(arguments.output);

    ConverterSettings settings;
    settings.applicationFolder = ApplicationFolder;
    int failures = 0;
    for (const std::string& source : m_arrFoundPaths) {
        DocumentKind kind = GetDocumentKind(source);
        std::string target = FormatOutputPath(outputFolder, source, m_nFormat);
        ConversionResult result =
            NeedsConversion(kind, m_nFormat)
                ? ConvertFile(source, target, WordVersionCode, WordFolder, settings, messages)
                : CopySource(source, target);
        if (!result.produced) {
            ++failures;
            std::cerr << source << ": " << result.reason << '\n';
        }
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace larkspan
