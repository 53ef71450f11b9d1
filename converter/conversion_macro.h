#pragma once
// The conversion itself, as a Basic routine in our private profile's own macro library.
//
// LibreOfficeKit's documentLoad opens every document into a frame with its whole user interface (the view,
// its toolbars, the command descriptions of every button), which costs about as much again as loading and
// saving the document. LibreOffice's own batch conversion loads hidden instead: no view, no interface. The
// only way to load like that within LibreOfficeKit is through the office's API, and the one entry into that
// API LibreOfficeKit offers is running an application macro. So the two steps of a conversion are two
// small routines that we write into the profile ("Standard.Larkspan"):
//
//   Load   opens the request's source hidden, never running the document's macros and never updating its
//          links, and refuses anything but a text document;
//   Save   stores it with the requested filter and closes it.
//
// The file names never pass through the macro's URL, where Basic would read them as an expression: each
// step reads them from a request file and writes an answer file (its stage, then LibreOffice's message),
// both in PROFILE/user/larkspan/. Application macros run however the security settings stand; those
// settings only keep documents' own macros from running.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace larkspan::zuv0 {

// LibreOffice's filter for a target format named by its extension ("docx"), or empty for none we know.
std::string FilterForFormat(std::string_view format);

class ConversionMacro {
public:
    explicit ConversionMacro(const std::filesystem::path& profileFolder);

    // Writes the macro library into the profile, where it differs from ours; LibreOffice reads it at start.
    [[nodiscard]] std::error_code Install() const;

    // The request for the next Load and Save: source and target are file URLs; `loadFilter` names the
    // filter to read the source with, or is empty to let LibreOffice tell by the bytes. Each request is
    // numbered, and only an answer with its number is taken.
    [[nodiscard]] std::error_code Request(const std::string& sourceUrl, const std::string& targetUrl,
                                          const std::string& filter, const std::string& loadFilter);

    struct Answer {
        std::string stage;  // "loaded", "load", "password", "kind", "saved", "save"; empty: no answer
        std::string message;
    };
    // The last step's answer to the last request; an empty stage when it gave none.
    Answer TakeAnswer() const;

    static constexpr const char* kLoad = "macro:///Standard.Larkspan.Load()";
    static constexpr const char* kSave = "macro:///Standard.Larkspan.Save()";

private:
    std::filesystem::path basic_;     // PROFILE/user/basic
    std::filesystem::path exchange_;  // PROFILE/user/larkspan
    std::uint64_t requests_ = 0;
    std::string number_;  // the last request's
};

}  // namespace larkspan::zuv0
