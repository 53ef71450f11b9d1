#include "mainwindow/htm_association.h"

#include "engine/word_location.h"
#include "mainwindow/command_words.h"

namespace larkspan {

std::error_code ReadKeyDefaultValue(registry::Root root, std::string_view subKey, std::string& value) {
    if (!registry::KeyExists(root, subKey)) return std::make_error_code(std::errc::no_such_file_or_directory);
    value = ReadRegistryString(root, subKey, "");
    return {};
}

HtmCommand HtmProgramCommand(std::string_view address) {
    HtmCommand command;
    std::string fileType;
    if (ReadKeyDefaultValue(registry::Root::ClassesRoot, ".htm", fileType)) {
        command.error = "no file type is registered for \".htm\"";
        return command;
    }
    std::string value;
    if (ReadKeyDefaultValue(registry::Root::ClassesRoot, fileType + "\\shell\\open\\command", value)) {
        command.error = "the file type \"" + fileType + "\" has no open command";
        return command;
    }

    // Whatever followed the placeholder (further switches) goes with it.
    std::size_t cut = value.find("\"%1\"");
    if (cut == std::string::npos) cut = value.find("%1");
    if (cut != std::string::npos) value.erase(cut);

    // The address is one word whatever it holds: it is never split or read as quotes.
    std::optional<std::vector<std::string>> words = SplitCommandWords(value);
    if (!words || words->empty()) {
        command.error = "the \".htm\" command cannot be read: " + value;
        return command;
    }
    command.commandLine = value + " " + std::string(address);
    command.arguments = std::move(*words);
    command.arguments.emplace_back(address);
    return command;
}

}  // namespace larkspan
