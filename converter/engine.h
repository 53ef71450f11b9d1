#pragma once
// LibreOffice, started through LibreOfficeKit; each document is loaded hidden and stored through the
// office's API (see office_calls.h), as LibreOffice's own batch conversion does.
//
// Starting the engine and converting one file are separate steps: the start costs far more than a
// conversion (0.1-0.5 s, against about 10 ms for a small document), so a
// caller with many files starts once and converts each in turn. LibreOfficeKit can be started only once
// per process.

#include <filesystem>
#include <memory>
#include <string>

#include "job.h"
#include "office_api.h"
#include "outcome.h"
#include "profile_slot.h"

namespace lok {
class Office;
}

namespace larkspan::zuv0 {

struct EngineSettings {
    std::filesystem::path programFolder;  // holding libsofficeapp.so or libmergedlo.so
    std::filesystem::path profileRoot;    // where the profile slots live

    // $LARKSPAN_LIBREOFFICE or /usr/lib/libreoffice/program; $XDG_CACHE_HOME/larkspan or ~/.cache/larkspan.
    static EngineSettings FromEnvironment();
};

class Engine {
public:
    // Silences standard output and error for good (LibreOffice is noisy), takes a profile slot and starts
    // LibreOffice. On failure returns null and sets `failure`.
    static std::unique_ptr<Engine> Start(const EngineSettings& settings, Outcome& failure);

    // Shuts LibreOffice down cleanly: a profile that was never shut down costs a full rebuild next time.
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Loads a private copy of the checked source (see source_copy.h) and saves it as job.target in
    // job.format, through a temporary beside the target.
    Outcome Convert(const Job& job);

private:
    Engine(std::unique_ptr<ProfileSlot> slot, lok::Office* office, std::unique_ptr<OfficeApi> api);
    Outcome LoadAndSave(const Job& job);

    std::unique_ptr<ProfileSlot> slot_;
    lok::Office* office_;
    std::unique_ptr<OfficeApi> api_;  // let go of before office_ is shut down
};

}  // namespace larkspan::zuv0
