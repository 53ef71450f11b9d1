#pragma once
// What the converter's tests share: the program under test, its samples and cache, its exit statuses.

#include <filesystem>

#include "platform/engine_protocol.h"
#include "tests/support/child.h"
#include "tests/support/files.h"
#include "tests/support/read_back.h"

namespace larkspan::zuv0::testing {

// Set by CMake: the program under test, the sample documents, and a cache folder shared by all tests so
// that LibreOffice profiles are made once and then reused.
inline const std::filesystem::path kZuv0 = ZUV0_PATH;
inline const std::filesystem::path kSamples = SAMPLES_DIR;
inline const std::filesystem::path kCacheHome = ZUV0_CACHE_HOME;

// The exit statuses, as the protocol both programs share has them.
using engine_protocol::ExitCode;
inline constexpr int Status(ExitCode code) {
    return static_cast<int>(code);
}
inline constexpr int kInternal = Status(ExitCode::Internal);
inline constexpr int kUsage = Status(ExitCode::Usage);
inline constexpr int kSourceUnreadable = Status(ExitCode::SourceUnreadable);
inline constexpr int kNotADocument = Status(ExitCode::NotADocument);
inline constexpr int kPasswordProtected = Status(ExitCode::PasswordProtected);
inline constexpr int kSaveFailed = Status(ExitCode::SaveFailed);
inline constexpr int kEngineMissing = Status(ExitCode::EngineMissing);
inline constexpr int kCannotWriteTarget = Status(ExitCode::CannotWriteTarget);

// The shared helpers, under the names this suite has always used.
using test::Child;
using test::Finished;
using test::FolderNames;
using test::Input;
using test::Lines;
using test::ReadBack;
using test::ReadText;
using test::Run;
using test::TempFolder;
using test::WriteBytes;

}  // namespace larkspan::zuv0::testing
