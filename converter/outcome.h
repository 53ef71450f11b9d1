#pragma once
// What one request to Zuv0 came to: an exit status, and for a failure the path it is about and what more
// there is to say. The single-file form prints it as one line; serving, it is sent as fields.

#include <string>
#include <string_view>

#include "platform/engine_protocol.h"

namespace larkspan::zuv0 {

using engine_protocol::ExitCode;

struct Outcome {
    ExitCode code = ExitCode::Ok;
    std::string subject;  // the path a failure is about; may be empty
    std::string detail;   // may be empty; on success, the losses the check found, in words
    std::string check;    // what the check found, as JSON; empty when none was asked for

    bool ok() const { return code == ExitCode::Ok; }
    // "Zuv0: <reason>: <subject> (<detail>)", or the usage line. Control characters in a file name would
    // break the one-line promise, so they are shown as '?'.
    std::string Line() const;
};

Outcome Success(std::string losses = {}, std::string check = {});
Outcome Failure(ExitCode code, std::string_view subject, std::string_view detail = {});

inline constexpr std::string_view kUsageLine = "usage: Zuv0 -f SOURCE TARGET";

}  // namespace larkspan::zuv0
