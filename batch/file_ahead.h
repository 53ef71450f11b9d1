#pragma once
// A file converted ahead of its turn, on a second engine, while the window's run is busy with the files
// before it. Its lines are held until its turn comes, so that the log reads as if the files went one by one.
// Only a file that cannot be asked about goes ahead: its target does not exist, and no file in hand has a
// target that may be the same file.

#include <future>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/batch_run.h"

namespace larkspan {

// The events of a file ahead of its turn. Asked about an existing target (it appeared after the file went
// ahead), it answers Cancel and remembers it: the file is then run again in its turn, where it can be asked.
class HeldEvents final : public BatchEvents {
public:
    void FileStarted(std::size_t, const std::string&) override {}
    void TargetFormed(const std::string& target) override { lines_.emplace_back(false, target); }
    std::optional<ExistingFileAnswer> AskAboutExisting(const std::string&) override;
    void TargetRenamed(const std::string& target) override { lines_.emplace_back(true, target); }
    void FileFinished(std::size_t, const FileResult&) override {}

    bool Asked() const { return asked_; }
    // The held lines, said now.
    void PassOn(BatchEvents& events) const;

private:
    std::vector<std::pair<bool, std::string>> lines_;  // renamed?, target
    bool asked_ = false;
};

// What stands for target when telling whether two targets may be one file: the folder resolved, the name in
// lower case with every letter outside ASCII left out, so that a folder that folds letter case (vfat, exFAT,
// casefold ext4) can never make two different keys one file. Different files may share a key; they then
// merely do not go at the same time.
std::string TargetKey(const std::string& target);

}  // namespace larkspan
