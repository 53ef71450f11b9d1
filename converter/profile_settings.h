#pragma once
// Settings that our private LibreOffice profile must carry.
//
// By default LibreOffice puts a ".~lock.NAME#" file beside every document it opens. For a converter that
// only reads its source, that means writing into the user's source folder, and a crash leaves the lock file
// behind to confuse the user's own office. The profile's user settings file switches it off. LibreOffice
// keeps items it did not write when it rewrites that file, so adding them once is enough; they are added
// again whenever they have gone missing.

#include <filesystem>
#include <system_error>

namespace larkspan::zuv0 {

// Makes sure PROFILE/user/registrymodifications.xcu holds our settings, creating it for a new profile.
std::error_code EnsureProfileSettings(const std::filesystem::path& profileFolder);

}  // namespace larkspan::zuv0
