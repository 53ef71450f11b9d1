#pragma once
// Converts one document by driving Word 2007 through its automation interface.

#include <string_view>

namespace larkspan {

class MessageBox;

// Opens the source read-only in an invisible Word, saves it as the target in the format its extension
// asks for, closes it and quits Word. A failing call is caught here: Word is told to quit, every reference
// is released, and false is returned. When Word cannot be created the user is shown "Error starting Word.".
[[nodiscard]] bool ConvertWithWord(std::string_view sourcePath, std::string_view targetPath,
                                   MessageBox& messages);

inline constexpr const char* kErrorStartingWord = "Error starting Word.";

}  // namespace larkspan
