#include "engine.h"

#include <langinfo.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

#include "atomic_output.h"
#include "console.h"
#include "conversion_check.h"
#include "crash_guard.h"
#include "file_url.h"
#include "platform/file_writing.h"
#include "platform/libreoffice.h"
#include "profile_settings.h"
#include "source_copy.h"

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

bool HoldsLibreOffice(const fs::path& folder) {
    std::error_code ignored;
    return fs::exists(folder / "libsofficeapp.so", ignored) || fs::exists(folder / "libmergedlo.so", ignored);
}

// LibreOffice turns file URLs into file names through the locale's character set; under a non-UTF-8
// locale such as plain "C" it cannot find a file whose name has non-ASCII letters.
void RequireUtf8FileNames() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = ::nl_langinfo(CODESET);
    if (!codeset || std::strcmp(codeset, "UTF-8") != 0) ::setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_CTYPE, "C");
}

}  // namespace

EngineSettings EngineSettings::FromEnvironment() {
    EngineSettings settings;
    settings.programFolder = libreoffice::ProgramFolder();
    settings.profileRoot = ProfileSlot::DefaultRoot();
    return settings;
}

std::unique_ptr<Engine> Engine::Start(const EngineSettings& settings, Outcome& failure) {
    if (!HoldsLibreOffice(settings.programFolder)) {
        failure = Failure(ExitCode::EngineMissing, settings.programFolder.native(), "no LibreOffice there");
        return nullptr;
    }
    std::error_code error;
    std::unique_ptr<ProfileSlot> slot = ProfileSlot::Take(settings.profileRoot, error);
    if (!slot) {
        failure = Failure(ExitCode::EngineMissing, settings.profileRoot.native(),
                          "cannot make a profile: " + error.message());
        return nullptr;
    }

    if (std::error_code settingsError =
            EnsureProfileSettings(slot->profileFolder(), settings.programFolder)) {
        failure = Failure(ExitCode::EngineMissing, slot->profileFolder().native(),
                          "cannot prepare the profile: " + settingsError.message());
        return nullptr;
    }

    // No display, no dialogs; temporary files where we can clear them.
    ::setenv("SAL_USE_VCLPLUGIN", "svp", 1);
    ::setenv("TMPDIR", slot->scratchFolder().c_str(), 1);
    RequireUtf8FileNames();

    // Without /dev/null the noise stays on the streams; our one line still comes last.
    [[maybe_unused]] const bool silenced = console::SilenceStandardStreams();
    crash_guard::SetOutcomeOnCrash(Failure(ExitCode::EngineMissing, settings.programFolder.native(),
                                           "LibreOffice crashed while starting"));
    crash_guard::Install();  // LibreOffice puts its own in place while starting; ours are set again below

    const std::string profileUrl = FileUrlFromPath(fs::absolute(slot->profileFolder()));
    lok::Office* office = lok::lok_cpp_init(settings.programFolder.c_str(), profileUrl.c_str());
    if (!office) {
        failure =
            Failure(ExitCode::EngineMissing, settings.programFolder.native(), "LibreOffice did not start");
        return nullptr;
    }
    crash_guard::Install();

    std::string why;
    std::unique_ptr<OfficeApi> api = OfficeApi::Bind(settings.programFolder, why);
    if (!api) {
        delete office;
        failure = Failure(ExitCode::EngineMissing, settings.programFolder.native(), why);
        return nullptr;
    }
    return std::unique_ptr<Engine>(new Engine(std::move(slot), office, std::move(api)));
}

Engine::Engine(std::unique_ptr<ProfileSlot> slot, lok::Office* office, std::unique_ptr<OfficeApi> api)
    : slot_(std::move(slot)), office_(office), api_(std::move(api)) {}

Engine::~Engine() {
    api_.reset();
    delete office_;
}

Outcome Engine::Convert(const Job& job) {
    Outcome outcome = LoadAndSave(job);
    // Should LibreOffice crash later, while closing the document or shutting down, this is still the answer.
    crash_guard::SetOutcomeOnCrash(outcome);
    return outcome;
}

Outcome Engine::LoadAndSave(const Job& job) {
    const std::string& source = job.source.native();
    SourceCopy copy;
    if (Outcome copied = copy.Make(job, slot_->scratchFolder() / "source"); !copied.ok()) return copied;
    const std::string filter = FilterForFormat(job.format);
    if (filter.empty())
        return Failure(ExitCode::SaveFailed, job.target.native(),
                       "no format is named \"" + job.format + "\"");

    // LibreOffice saves through temporary files of its own beside the file it writes; a crash would leave
    // them in the user's folder. So it writes into our scratch folder, and the result is copied into the
    // temporary beside the target, which is ours to clean up.
    const fs::path staged = slot_->scratchFolder() / ("converted." + job.format);
    std::error_code ignored;
    fs::remove(staged, ignored);
    // A web page would open as a web document, which no Word filter can store: it is read into a text
    // document instead, as LibreOfficeKit does.
    const std::string loadFilter = job.content == ContentKind::Html ? "HTML (StarWriter)" : "";

    crash_guard::SetOutcomeOnCrash(
        Failure(ExitCode::NotADocument, source, "LibreOffice crashed while reading it"));
    const OfficeApi::Answer loaded = api_->Load(FileUrlFromPath(copy.path()), loadFilter);
    if (loaded.stage == "password") return Failure(ExitCode::PasswordProtected, source);
    if (loaded.stage == "kind")
        return Failure(ExitCode::NotADocument, source, "not a word-processing document");
    if (loaded.stage == "load")
        return Failure(ExitCode::NotADocument, source,
                       "LibreOffice could not read it: damaged, or a form it does not know");
    if (loaded.stage != "loaded") return Failure(ExitCode::Internal, source, loaded.message);

    crash_guard::SetOutcomeOnCrash(
        Failure(ExitCode::SaveFailed, job.target.native(), "LibreOffice crashed while saving"));
    // The document is closed before the result is put in place, so a crash while closing cannot follow a
    // finished target.
    const OfficeApi::Answer saved = api_->Save(FileUrlFromPath(staged), filter);
    if (saved.stage != "saved") {
        std::string why = "LibreOffice could not save it";
        if (!saved.message.empty()) why += ": " + saved.message;
        fs::remove(staged, ignored);
        return Failure(saved.stage == "save" ? ExitCode::SaveFailed : ExitCode::Internal, job.target.native(),
                       why);
    }

    // The new file is held against what was loaded before it may take the target's place: with strict, a
    // loss leaves the old target as it was.
    Outcome done = Success();
    if (job.verify) {
        const ConversionCheck check = CheckConversion(copy.path(), job.content, staged, job.format);
        if (job.strict && !check.losses.empty()) {
            fs::remove(staged, ignored);
            // No subject: the caller knows the target, and what was lost says it all.
            Outcome lost = Failure(ExitCode::ContentLost, {}, JoinLosses(check.losses));
            lost.check = check.json;
            return lost;
        }
        done = Success(JoinLosses(check.losses), check.json);
    }

    AtomicOutput output;
    std::error_code error = output.Open(job.target);
    if (!error) {
        crash_guard::SetTemporary(output.temporaryPath().native());
        error = output.Fill(staged);
    }
    if (!error) error = output.Commit();
    output.Discard();
    crash_guard::SetTemporary({});
    fs::remove(staged, ignored);

    // An engine that wrote nothing failed on the document; a write that failed, on the machine.
    const ExitCode code =
        error == OutputError::EmptyResult ? ExitCode::SaveFailed : ExitCode::CannotWriteTarget;
    return error ? Failure(code, job.target.native(), files::WriteErrorText(error)) : done;
}

}  // namespace larkspan::zuv0
