#include "mainwindow/command_words.h"

namespace larkspan {

std::optional<std::vector<std::string>> SplitCommandWords(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;  // a word has begun, even an empty quoted one
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (c == ' ' || c == '\t') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\\') {
            if (++i == commandLine.size()) return std::nullopt;
            word += commandLine[i];
        } else if (c == '\'') {
            const std::size_t end = commandLine.find('\'', i + 1);
            if (end == std::string_view::npos) return std::nullopt;
            word.append(commandLine.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '"') {
            for (++i;; ++i) {
                if (i == commandLine.size()) return std::nullopt;
                const char q = commandLine[i];
                if (q == '"') break;
                if (q == '\\' && i + 1 < commandLine.size() &&
                    std::string_view("\"\\$`").find(commandLine[i + 1]) != std::string_view::npos)
                    ++i;
                word += commandLine[i];
            }
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

}  // namespace larkspan
