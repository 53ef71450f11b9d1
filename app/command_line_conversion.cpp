#include "app/command_line_conversion.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <mutex>

#include "app/command_line.h"
#include "app/command_line_help.h"
#include "app/command_line_sources.h"
#include "app/run_report.h"
#include "batch/unattended_run.h"
#include "engine/convert_file.h"
#include "engine/word_location.h"
#include "larkspan_version.h"
#include "mainwindow/main_window.h"
#include "platform/emergency_end.h"
#include "platform/file_writing.h"
#include "platform/interrupt.h"
#include "platform/libreoffice.h"
#include "platform/message_box.h"
#include "platform/paths.h"

namespace larkspan {

namespace {

namespace fs = std::filesystem;

// The report's word for a result.
const char* OutcomeWord(const FileResult& result) {
    switch (result.outcome) {
        case FileOutcome::Converted:
            return "converted";
        case FileOutcome::Copied:
        case FileOutcome::AlreadyInPlace:
            return "copied";
        case FileOutcome::UpToDate:
            return "skipped";
        case FileOutcome::Failed:
        case FileOutcome::CannotReplace:
            return result.kind == FailureKind::Refused ? "refused" : "failed";
    }
    return "failed";
}

// Each failure is one line on standard error naming the source, in the order of the files. On a terminal
// one more line shows how far the run is, erased at the end, and the run ends with a line of totals.
class StderrReport final : public BatchEvents {
public:
    StderrReport(std::size_t total, std::string output)
        : total_(total), output_(std::move(output)), terminal_(::isatty(STDERR_FILENO) == 1) {}
    ~StderrReport() override { Erase(); }

    void FileStarted(std::size_t, const std::string& source) override { source_ = source; }
    void TargetFormed(const std::string&) override {}
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override {
        return ExistingFileAnswer{};
    }
    void TargetRenamed(const std::string&) override {}
    void FileFinished(std::size_t index, const FileResult& result) override {
        Erase();
        ++done_;
        Count(result);
        // A missing engine is said once for the whole run, not once per file.
        if (result.engineMissing)
            std::cerr << "larkspan: no file can be converted: " << result.reason << '\n';
        else if (!result.ok())
            std::cerr << source_ << ": " << result.reason << '\n';
        else if (!result.losses.empty())
            std::cerr << "larkspan: " << source_ << ": converted, but " << result.losses << '\n';
        if (terminal_ && index + 1 < total_) {
            const std::size_t slash = source_.rfind('/');
            std::cerr << "\r" << index + 1 << " of " << total_
                      << " done: " << source_.substr(slash == std::string::npos ? 0 : slash + 1)
                      << std::flush;
            shown_ = true;
        }
    }

    // A failure counted before the run: a list entry that cannot be taken.
    void Refused(const std::string& source, const std::string& reason) {
        std::cerr << source << ": " << reason << '\n';
        ++refused_;
    }

    // The line a person at a terminal sees last.
    void Summary(bool stopped) {
        Erase();
        if (!terminal_) return;
        if (stopped) {
            std::cerr << "larkspan: stopped after " << done_ << " of " << total_ << '\n';
            return;
        }
        std::string line;
        const auto add = [&](std::size_t count, const char* what) {
            if (count) line += (line.empty() ? "" : ", ") + std::to_string(count) + " " + what;
        };
        add(converted_, withLosses_ ? ("converted (" + std::to_string(withLosses_) + " with losses)").c_str()
                                    : "converted");
        add(failed_ + refused_, "failed");
        add(copied_, "copied");
        add(skipped_, "skipped");
        if (line.empty()) line = "nothing to do";
        std::cerr << line << " into " << output_ << "/\n";
    }

    int ExitStatus(BatchEnd end) const {
        if (outside_ || end == BatchEnd::NoEngine) return kExitRetryable;
        return failed_ + refused_ > 0 ? kExitDocuments : kExitConverted;
    }

private:
    void Count(const FileResult& result) {
        switch (result.outcome) {
            case FileOutcome::Converted:
                ++converted_;
                withLosses_ += !result.losses.empty();
                return;
            case FileOutcome::Copied:
            case FileOutcome::AlreadyInPlace:
                ++copied_;
                return;
            case FileOutcome::UpToDate:
                ++skipped_;
                return;
            case FileOutcome::Failed:
            case FileOutcome::CannotReplace:
                ++(result.kind == FailureKind::Refused ? refused_ : failed_);
                outside_ = outside_ || result.kind == FailureKind::Outside || result.engineMissing;
                return;
        }
    }
    void Erase() {
        if (shown_) std::cerr << "\r\033[K" << std::flush;
        shown_ = false;
    }
    std::size_t total_;
    std::string output_;
    bool terminal_;
    bool shown_ = false;
    std::string source_;
    std::size_t done_ = 0, converted_ = 0, withLosses_ = 0, copied_ = 0, skipped_ = 0, failed_ = 0, refused_ = 0;
    bool outside_ = false;
};

// The output folder, made when missing; empty with why in error when it cannot be used.
std::string PrepareOutputFolder(const std::string& given, std::string& error) {
    std::string folder = NormalizeOutputFolder(given);
    const std::string shown = folder.empty() ? "/" : folder;
    std::error_code ec;
    const fs::file_status status = fs::status(shown, ec);
    if (ec && ec != std::errc::no_such_file_or_directory) {
        error = "cannot reach the output folder " + shown + ": " + ec.message();
        return {};
    }
    if (status.type() == fs::file_type::not_found) {
        if (!fs::create_directories(shown, ec) && ec) {
            error = "cannot make the output folder " + shown + ": " + files::WriteErrorText(ec);
            return {};
        }
        std::cerr << "larkspan: made the output folder " << shown << '\n';
    } else if (status.type() != fs::file_type::directory) {
        error = "the output folder " + shown + " is not a folder";
        return {};
    }
    // Effective ids, as the writes will be checked: this also sees a read-only mount and an immutable
    // folder, which stop even the superuser.
    if (::faccessat(AT_FDCWD, shown.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        error = "cannot write in the output folder " + shown + ": " +
                files::WriteErrorText({errno, std::generic_category()});
        return {};
    }
    return folder.empty() ? "/" : folder;
}

// The shard this machine takes: from --shard, or from the scheduler's variable.
std::optional<Shard> ResolveShard(const CommandLineArguments& arguments, std::string& error) {
    if (arguments.shard || arguments.shardIndexEnv.empty()) return arguments.shard;
    const char* value = std::getenv(arguments.shardIndexEnv.c_str());
    if (!value || !*value) {
        error = arguments.shardIndexEnv + " is not set: no shard to take";
        return std::nullopt;
    }
    std::string why;
    std::optional<Shard> shard =
        ParseShard(std::string(value) + "/" + std::to_string(arguments.shardCount), why);
    if (!shard) error = arguments.shardIndexEnv + "=" + value + ": " + why;
    return shard;
}

int UsageError(const std::string& why) {
    std::cerr << "larkspan: " << why << '\n' << kCommandLineUsage;
    return kExitUsage;
}

}  // namespace

int RunCommandLineConversion(MainWindow& window, const CommandLineArguments& arguments,
                             MessageBox& messages) {
    if (!arguments.error.empty()) return UsageError(arguments.error);
    if (arguments.help) {
        std::cout << kCommandLineHelp;
        return kExitConverted;
    }
    const fs::path programFolder = libreoffice::ProgramFolder();
    const std::string libreOffice = libreoffice::InstalledVersion(programFolder);
    if (arguments.version) {
        std::cout << "larkspan " << LARKSPAN_VERSION << "\n"
                  << "LibreOffice " << (libreOffice.empty() ? "not found" : libreOffice) << " in "
                  << programFolder.string() << "\n";
        return kExitConverted;
    }
    std::string error;
    const std::optional<Shard> shard = ResolveShard(arguments, error);
    if (!error.empty()) return UsageError(error);

    window.WordVersionCode = FindWordInstallation(window.WordFolder);
    const std::string format = paths::ToLowerAscii(arguments.format);
    window.m_nFormat = format == "docx" ? kFormatDocx : kFormatDoc;
    // Documented to mean doc, but a word that is neither is more likely a slip than a wish.
    if (format != "doc" && format != "docx")
        std::cerr << "larkspan: '" << arguments.format << "' is not a format word: converting to doc\n";

    const std::string normalized = NormalizeOutputFolder(arguments.output);
    CollectedSources collected = CollectSources(window, arguments, normalized.empty() ? "/" : normalized);
    if (!collected.error.empty()) return UsageError(collected.error);
    // Nothing to do is no failure, but a mistyped pattern must not look like a finished job.
    for (const std::string& source : collected.unmatched)
        std::cerr << "larkspan: no file matches " << source << '\n';
    std::vector<FoundSource> sources =
        shard ? TakeShard(std::move(collected.found), *shard) : std::move(collected.found);

    ConversionJob job;
    job.m_nTargetFormat = window.m_nFormat;
    job.m_strWordFolder = window.WordFolder;
    job.m_nWordVersionCode = window.WordVersionCode;
    job.m_bUpdateOnly = arguments.update;
    job.m_bKeepTimes = arguments.keepTimes;
    for (const FoundSource& source : sources) {
        job.m_arrSources.push_back(source.path);
        job.m_arrTargetFolders.push_back(source.targetFolder);
    }
    window.m_arrFoundPaths = job.m_arrSources;
    if (job.m_arrSources.empty() && collected.refused.empty()) return kExitConverted;
    job.m_strOutputFolder = PrepareOutputFolder(arguments.output, error);
    if (!error.empty()) {
        std::cerr << "larkspan: " << error << '\n';
        return kExitUsage;
    }

    ConverterSettings settings;
    settings.applicationFolder = window.ApplicationFolder;
    settings.verify = !arguments.noVerify;
    settings.strict = arguments.strict;
    std::string warning;
    settings.engineLimits = EngineLimits::FromEnvironment(warning);
    if (!warning.empty()) std::cerr << "larkspan: " << warning << '\n';
    const int engines = EngineCount(job.m_arrSources.size(), warning);
    if (!warning.empty()) std::cerr << "larkspan: " << warning << '\n';

    std::optional<RunReport> report;
    if (!arguments.report.empty()) {
        std::error_code opened;
        // Its folder is made as the output folder is: a shard's first run may well be the first of all.
        if (const fs::path folder = fs::path(arguments.report).parent_path(); !folder.empty())
            fs::create_directories(folder, opened);
        report = RunReport::Open(arguments.report, opened);
        if (!report) {
            std::cerr << "larkspan: cannot write the report " << arguments.report << ": "
                      << files::WriteErrorText(opened) << '\n';
            return kExitUsage;
        }
        report->Begin(arguments.given, libreOffice,
                      shard ? std::to_string(shard->index) + "/" + std::to_string(shard->count) : "");
    }

    const auto started = std::chrono::steady_clock::now();
    ReportTotals totals;
    std::mutex reporting;
    const FileDone done = [&](std::size_t index, const FileResult& result) {
        if (!report) return;
        std::lock_guard lock(reporting);
        const std::string outcome = OutcomeWord(result);
        ++totals.files;
        ++(outcome == "converted" ? totals.converted
           : outcome == "copied"  ? totals.copied
           : outcome == "skipped" ? totals.skipped
           : outcome == "refused" ? totals.refused
                                  : totals.failed);
        // Absolute paths: the reports of runs started in other folders merge.
        const auto absolute = [](const std::string& path) {
            std::error_code ec;
            return path.empty() ? path : fs::absolute(path, ec).lexically_normal().string();
        };
        totals.withLosses += result.ok() && !result.losses.empty();
        report->File({absolute(job.m_arrSources[index]), absolute(result.target), outcome, result.reason,
                      result.took.count(), result.losses, result.check});
    };

    std::stop_source stop;
    BatchSummary summary;
    int signal = 0, status = 0;
    {
        InterruptWatch interrupts(stop);
        StderrReport stderrReport(job.m_arrSources.size(), job.m_strOutputFolder);
        // List entries that cannot be taken fail before the run, each with its line.
        for (const auto& [source, reason] : collected.refused) {
            stderrReport.Refused(source, reason);
            if (!report) continue;
            ++totals.files;
            ++totals.refused;
            report->File({source, {}, "refused", reason, 0});
        }
        summary = RunUnattended(job, settings, messages, stderrReport, engines, stop.get_token(), done);
        signal = interrupts.Signal();
        stderrReport.Summary(signal != 0);
        status = stderrReport.ExitStatus(summary.end);
    }
    if (report) {
        totals.milliseconds =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started)
                .count();
        totals.stopped = signal != 0;
        totals.unfinished = job.m_arrSources.size() + collected.refused.size() - totals.files;
        report->End(totals);
        if (report->error())
            std::cerr << "larkspan: the report " << arguments.report
                      << " is incomplete: " << files::WriteErrorText(report->error()) << '\n';
    }
    // Ended by a signal: every engine is gone and nothing half-written is left. A shell loop around this
    // program must learn that it was interrupted, so it ends by that signal.
    if (signal != 0) emergency::EndBySignal(signal);
    return status;
}

}  // namespace larkspan
