#include "profile_slot.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/paths.h"

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

// Empties the scratch folder, then makes sure it exists.
void ResetScratch(const fs::path& scratch, std::error_code& error) {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    fs::create_directories(scratch, error);
}

}  // namespace

fs::path ProfileSlot::DefaultRoot() {
    return paths::CacheHome() / "larkspan";
}

std::unique_ptr<ProfileSlot> ProfileSlot::Take(const fs::path& folder, std::error_code& error) {
    error.clear();
    // LibreOffice is given these folders as URLs, which must be absolute.
    const fs::path root = fs::absolute(folder, error);
    if (error) return nullptr;
    fs::create_directories(root, error);
    if (error) return nullptr;

    for (int number = 0; number < kSlotCount; ++number) {
        const fs::path lockPath = root / ("profile-" + std::to_string(number) + ".lock");
        const int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            error.assign(errno, std::generic_category());
            return nullptr;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int cause = errno;
            ::close(fd);
            if (cause == EWOULDBLOCK || cause == EINTR) continue;
            error.assign(cause, std::generic_category());
            return nullptr;
        }
        std::unique_ptr<ProfileSlot> slot(
            new ProfileSlot(root / ("profile-" + std::to_string(number)), number, fd));
        ResetScratch(slot->scratch_, error);
        if (error) return nullptr;
        return slot;
    }

    // All slots busy: a private profile that nobody else can know about needs no lock.
    std::string pattern = (root / "throwaway-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        error.assign(errno, std::generic_category());
        return nullptr;
    }
    std::unique_ptr<ProfileSlot> slot(new ProfileSlot(pattern, -1, -1));
    ResetScratch(slot->scratch_, error);
    if (error) return nullptr;
    return slot;
}

ProfileSlot::ProfileSlot(fs::path profile, int number, int lockFd)
    : profile_(std::move(profile)), scratch_(profile_ / "tmp"), number_(number), lockFd_(lockFd) {}

ProfileSlot::~ProfileSlot() {
    std::error_code ignored;
    if (number_ < 0) {
        fs::remove_all(profile_, ignored);
    } else {
        fs::remove_all(scratch_, ignored);
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

}  // namespace larkspan::zuv0
