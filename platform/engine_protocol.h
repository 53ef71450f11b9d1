#pragma once
// How larkspan and its converter talk while the converter serves a batch (`Zuv0 --serve`): the request, the
// answer and the exit statuses, in one place for both programs and the tests' stand-ins.
//
// Every field is a byte string closed by one NUL byte; paths cannot hold NUL, so every other byte, line ends
// included, comes through as it is. The engine answers once for its start, then once per request, in order:
//
//   request:  JOB \0 SOURCE \0 TARGET \0 OPTIONS \0
//   answer:   JOB \0 STATUS \0 SUBJECT \0 DETAIL \0 CHECK \0
//
// JOB numbers the requests to one engine from 1 on, in decimal, and the answer repeats it; the start's
// answer is job 0. An answer with any other number (a second answer to a job, say) tells the parent that
// the engine can no longer be trusted, however late it comes. STATUS is an ExitCode in decimal. SUBJECT is
// the path a failure is about (empty on success, and where a failure is about no path), DETAIL what more
// there is to say (may be empty). The reason itself is the status's fixed text: the converter never formats
// a sentence that larkspan would have to parse back.
//
// OPTIONS are words separated by commas: "verify" has the converted file checked against its source before it
// takes its target's place, "strict" makes a loss found so a failure (ContentLost, and no target). CHECK is
// what the check found, a JSON object ({"source":{counts},"converted":{counts},"losses":[...]}, or
// {"unchecked":"why"}), empty when none was asked for; on success DETAIL then says the losses in words,
// separated by "; ".

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace larkspan::engine_protocol {

// The exit statuses of `Zuv0 -f SOURCE TARGET` and the STATUS of an answer. Never renumber them.
enum class ExitCode : int {
    Ok = 0,
    Internal = 1,           // a fault inside the converter itself, or LibreOffice crashed
    Usage = 2,              // not "-f SOURCE TARGET"
    SourceUnreadable = 3,   // SOURCE missing, not a file, or not readable
    NotADocument = 4,       // not a word-processing document, or too damaged to load
    PasswordProtected = 5,  // opening SOURCE needs a password
    SaveFailed = 6,         // the document could not be saved as TARGET: no such format, LibreOffice failed
    EngineMissing = 7,      // LibreOffice not found, or it would not start
    CannotWriteTarget = 8,  // TARGET's folder is missing or not writable, or the disk is full: told apart
                            // from 6 because running again may cure it
    ContentLost = 9,  // the check found the converted file missing what its source holds ("strict")
};

// The highest status there is: a higher one is none of ours.
inline constexpr ExitCode kLastExitCode = ExitCode::ContentLost;

inline constexpr std::size_t kRequestFields = 4;
inline constexpr std::size_t kAnswerFields = 5;

inline constexpr std::string_view kVerify = "verify";
inline constexpr std::string_view kStrict = "strict";

// Whether options holds word.
bool HasOption(std::string_view options, std::string_view word);

// The fixed reason of a status ("not a document"); "internal error" for a number that is none of them.
std::string_view ReasonText(int status);

// The request for one job, and an answer, as they go over the pipe.
std::string RequestFrame(std::uint64_t job, std::string_view source, std::string_view target,
                         std::string_view options = {});
std::string AnswerFrame(std::uint64_t job, ExitCode status, std::string_view subject = {},
                        std::string_view detail = {}, std::string_view check = {});

// A job number or a status; -1 when the field is not a decimal number of at most 18 digits.
std::int64_t ParseNumber(std::string_view field);

}  // namespace larkspan::engine_protocol
