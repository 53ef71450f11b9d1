#pragma once
// The private LibreOffice profile this process runs on.
//
// A profile is kept between runs (starting on an existing one is cheaper than making one), but LibreOffice
// corrupts a profile that two processes use at once. So profiles are numbered slots under
// $XDG_CACHE_HOME/larkspan (default ~/.cache/larkspan), each guarded by an flock on "profile-N.lock": a
// process takes the first slot whose lock it gets without waiting and holds it until it exits, when the
// kernel releases the lock even after a crash. When every slot is busy, a throwaway profile is made and
// removed at the end: slower, but a run never waits on another.
//
//   profile-N/       the LibreOffice user installation
//   profile-N/tmp/   TMPDIR for LibreOffice, which leaves folders behind there; emptied on every take

#include <filesystem>
#include <memory>
#include <system_error>

namespace larkspan::zuv0 {

class ProfileSlot {
public:
    static constexpr int kSlotCount = 8;

    // Takes a free slot under `root`, creating folders as needed.
    static std::unique_ptr<ProfileSlot> Take(const std::filesystem::path& root, std::error_code& error);

    // $XDG_CACHE_HOME/larkspan, or ~/.cache/larkspan.
    static std::filesystem::path DefaultRoot();

    ~ProfileSlot();
    ProfileSlot(const ProfileSlot&) = delete;
    ProfileSlot& operator=(const ProfileSlot&) = delete;

    const std::filesystem::path& profileFolder() const { return profile_; }
    const std::filesystem::path& scratchFolder() const { return scratch_; }
    // The slot number, or -1 for a throwaway profile.
    int number() const { return number_; }

private:
    ProfileSlot(std::filesystem::path profile, int number, int lockFd);

    std::filesystem::path profile_;
    std::filesystem::path scratch_;
    int number_;
    int lockFd_;
};

}  // namespace larkspan::zuv0
