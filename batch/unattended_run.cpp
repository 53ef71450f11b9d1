#include "batch/unattended_run.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "batch/file_run.h"
#include "engine/engine_session.h"
#include "platform/letter_case.h"
#include "platform/paths.h"

namespace larkspan {
namespace {

// The workers' files are never asked about: an existing target is replaced.
class Unasked final : public BatchEvents {
public:
    void FileStarted(std::size_t, const std::string&) override {}
    void TargetFormed(const std::string&) override {}
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override {
        return ExistingFileAnswer{};
    }
    void TargetRenamed(const std::string&) override {}
    void FileFinished(std::size_t, const FileResult&) override {}
};

// What a path names, for telling whether two paths are one file: "out/../out/a.doc" and "out/a.doc" are.
std::string Identity(const std::string& path) {
    std::error_code ec;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : resolved.string();
}

// Equal for two paths of the run that name one file. Where a folder folds letter case, "out/Report.docx"
// and "out/report.docx" are one file, and writing the second would silently replace the first. Only folders
// in which two paths of the run differ in letter case alone are asked (asking may create a probe file
// there), each once; an ordinary run asks nothing.
class FileKeys {
public:
    explicit FileKeys(const std::vector<std::string>& identities) {
        std::map<std::string, const std::string*> spellings;
        for (const std::string& path : identities) {
            auto [first, fresh] = spellings.emplace(Folded(path), &path);
            if (fresh || *first->second == path) continue;
            const std::string folder = FolderOf(path);
            if (!folding_.contains(folder)) folding_.emplace(folder, files::FoldsLetterCase(folder));
        }
    }
    std::string Key(const std::string& path) const {
        auto folder = folding_.find(FolderOf(path));
        return folder != folding_.end() && folder->second ? Folded(path) : path;
    }

private:
    static std::string FolderOf(const std::string& path) {
        return std::filesystem::path(path).parent_path().string();
    }
    // The folder as spelled, the name in lower case: only paths in one folder are told apart by that folder.
    static std::string Folded(const std::string& path) {
        const std::filesystem::path split(path);
        return (split.parent_path() / paths::ToLowerAscii(split.filename().string())).string();
    }
    std::map<std::string, bool> folding_;
};

// Files whose target is already taken, with the reason; decided before anything is converted, in the order
// of the files, so that the first file naming a target keeps it.
std::vector<std::optional<FileResult>> ClaimTargets(const ConversionJob& job) {
    const std::size_t count = job.m_arrSources.size();
    std::vector<std::optional<FileResult>> refused(count);
    std::vector<std::string> targets(count), sourceIds(count), targetIds(count);
    for (std::size_t i = 0; i < count; ++i) {
        sourceIds[i] = Identity(job.m_arrSources[i]);
        if (!FileExists(job.m_arrSources[i])) continue;  // said when its turn comes
        targets[i] = FormatOutputPath(job.TargetFolder(i), job.m_arrSources[i], job.m_nTargetFormat);
        targetIds[i] = Identity(targets[i]);
    }
    std::vector<std::string> all = sourceIds;
    for (const std::string& target : targetIds)
        if (!target.empty()) all.push_back(target);
    const FileKeys keys(all);

    std::set<std::string> sources;
    for (const std::string& source : sourceIds) sources.insert(keys.Key(source));
    std::map<std::string, const std::string*> claimed;
    for (std::size_t i = 0; i < count; ++i) {
        if (targets[i].empty()) continue;
        const std::string& source = job.m_arrSources[i];
        FileResult result;
        result.target = targets[i];
        result.kind = FailureKind::Refused;
        const std::string target = keys.Key(targetIds[i]);
        if (target != keys.Key(sourceIds[i]) && sources.contains(target)) {
            result.reason = "its target " + result.target + " is another document of this run";
            refused[i] = result;
        } else if (auto taken = claimed.find(target); taken != claimed.end()) {
            result.reason = "its target " + result.target + " is also the target of " + *taken->second;
            refused[i] = result;
        } else {
            claimed.emplace(target, &source);
        }
    }
    return refused;
}

}  // namespace

int EngineCount(std::size_t files, std::string& warning) {
    warning.clear();
    int count = static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
    if (const char* value = std::getenv("LARKSPAN_JOBS"); value && *value) {
        int asked = 0;
        const char* end = value + std::char_traits<char>::length(value);
        auto [last, error] = std::from_chars(value, end, asked);
        if (error == std::errc() && last == end && asked > 0)
            count = asked;
        else
            warning = "LARKSPAN_JOBS=" + std::string(value) + " is not a positive number; using " +
                      std::to_string(count);
    }
    return static_cast<int>(
        std::clamp<std::size_t>(static_cast<std::size_t>(count), 1, std::max<std::size_t>(files, 1)));
}

BatchSummary RunUnattended(ConversionJob& job, const ConverterSettings& settings, MessageBox& messages,
                           BatchEvents& events, int engines, std::stop_token stop, const FileDone& done) {
    job.m_nExistingFilePolicy = PolicyOverwrite;
    const std::size_t count = job.m_arrSources.size();
    BatchSummary summary;
    summary.total = static_cast<int>(count);
    const std::vector<std::optional<FileResult>> refused = ClaimTargets(job);

    std::mutex mutex;
    std::condition_variable_any finished;
    std::vector<std::optional<FileResult>> results(count);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> noEngine{false};

    // Put in place once, before any engine starts it.
    const ConverterProgram program =
        PrepareExternalConverter(job.m_nWordVersionCode, job.m_strWordFolder, settings.applicationFolder);
    const auto starts = std::make_shared<EngineStarts>();
    auto work = [&] {
        EngineSession engine(program, settings.engineLimits, starts);
        Unasked unasked;
        FileRun run(job, settings, engine, messages, unasked, stop);
        // Every file a worker takes gets a result, whatever happens to it: the caller waits for each in turn.
        for (std::size_t index; (index = next++) < count && !stop.stop_requested();) {
            const auto started = std::chrono::steady_clock::now();
            FileResult result;
            if (refused[index]) {
                result = *refused[index];
            } else if (noEngine) {
                result.engineMissing = true;  // reported once, by the file that found it
                result.kind = FailureKind::Outside;
            } else {
                try {
                    BatchEnd end = BatchEnd::Completed;
                    if (std::optional<FileResult> ran = run.Run(index, end)) {
                        result = std::move(*ran);
                    } else {
                        result.reason = "stopped";
                        result.kind = FailureKind::Outside;
                        result.stopped = true;
                    }
                } catch (const std::exception& error) {
                    result.reason = std::string("internal error: ") + error.what();
                    result.kind = FailureKind::Outside;
                }
                if (result.engineMissing) noEngine = true;
            }
            result.took = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - started);
            std::lock_guard lock(mutex);
            // Said as soon as it is known, not when the files before it are done: a run killed meanwhile has
            // told of every file it finished.
            // A file cut short by Stop, or never tried for want of an engine, is not done: it has no line.
            if (done && !result.stopped && !(result.engineMissing && result.reason.empty()))
                done(index, result);
            results[index] = std::move(result);
            finished.notify_all();
        }
    };
    std::vector<std::jthread> workers;
    const int size = std::clamp(engines, 1, std::max(1, static_cast<int>(count)));
    for (int i = 0; i < size && count > 0; ++i) workers.emplace_back(work);

    for (std::size_t index = 0; index < count; ++index) {
        std::unique_lock lock(mutex);
        if (!finished.wait(lock, stop, [&] { return results[index].has_value(); }) || stop.stop_requested()) {
            summary.end = BatchEnd::Stopped;
            break;
        }
        FileResult result = std::move(*results[index]);
        lock.unlock();
        events.FileStarted(index, job.m_arrSources[index]);
        if (!result.ok()) ++summary.errors;
        if (result.ok() && !result.losses.empty()) ++summary.withLosses;
        events.FileFinished(index, result);
        if (result.engineMissing) {
            summary.end = BatchEnd::NoEngine;
            summary.errors += summary.total - static_cast<int>(index) - 1;
            break;
        }
    }
    noEngine = true;  // workers still busy take no further file
    next = count;
    return summary;  // the workers end their file at hand and are joined here
}

}  // namespace larkspan
