#pragma once
// Settings that our private LibreOffice profile must carry.
//
// - No lock files. By default LibreOffice puts a ".~lock.NAME#" file beside every document it opens: for a
//   converter that only reads its source, that is a write into the user's folder, and a crash leaves the
//   lock file behind to confuse the user's own office.
// - No document acts on its own: macros never run (the security level is the highest, and macros are
//   switched off), linked pictures are not fetched, and links are never updated while loading. These are
//   put back at every start should anything have changed them.
// - The version this profile last ran. While it is missing, as in a new profile or one whose first run
//   never showed a document (a password-protected file, say), LibreOffice takes every start for the first
//   after an upgrade and spends about 3 s on graphics tests. Seeding it makes a new profile cost under 1 s.
//
// LibreOffice keeps items it did not write when it rewrites the profile's settings file, so adding them
// once is enough; each is added again whenever it has gone missing or been changed.

#include <filesystem>
#include <string>
#include <system_error>

namespace larkspan::zuv0 {

// Makes sure PROFILE/user/registrymodifications.xcu holds our settings, creating it for a new profile.
// `programFolder` is LibreOffice's, where its version is read from when it is needed.
[[nodiscard]] std::error_code EnsureProfileSettings(const std::filesystem::path& profileFolder,
                                                    const std::filesystem::path& programFolder);

}  // namespace larkspan::zuv0
