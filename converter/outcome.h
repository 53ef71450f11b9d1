#pragma once
// What one request to Zuv0 came to: an exit status and the one line that explains a failure.

#include <string>
#include <string_view>

namespace larkspan::zuv0 {

// The engine runner tells failures apart by these numbers: never renumber them.
enum class ExitCode : int {
    Ok = 0,
    Internal = 1,           // a fault inside Zuv0 itself
    Usage = 2,              // not "-f SOURCE TARGET"
    SourceUnreadable = 3,   // SOURCE missing, not a file, or not readable
    NotADocument = 4,       // not a word-processing document, or too damaged to load
    PasswordProtected = 5,  // opening SOURCE needs a password
    SaveFailed = 6,         // TARGET could not be written
    EngineMissing = 7,      // LibreOffice not found, or it would not start
};

struct Outcome {
    ExitCode code = ExitCode::Ok;
    std::string line;  // for standard error; empty on success

    bool ok() const { return code == ExitCode::Ok; }
};

Outcome Success();

// "Zuv0: <reason>: <subject> (<detail>)". Control characters in a file name would break the one-line
// promise, so they are shown as '?'.
Outcome Failure(ExitCode code, std::string_view subject, std::string_view detail = {});

// The fixed reason text of a code ("not a document").
std::string_view ReasonText(ExitCode code);

inline constexpr std::string_view kUsageLine = "usage: Zuv0 -f SOURCE TARGET";

}  // namespace larkspan::zuv0
