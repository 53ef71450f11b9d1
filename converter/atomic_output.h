#pragma once
// The output file, written whole or not at all.
//
// The result is written into a temporary file beside TARGET (same folder, so the final rename is atomic),
// named ".TARGET.zuv0-PID-XXXXXX.ext": it cannot collide with another run, is hidden from listings, and
// names the process that made it, so that a parent that had to kill Zuv0 outright can remove exactly what
// that process left.
// The temporary is filled, given its permissions and flushed through the descriptor it was created with,
// and renamed within the folder opened once: a link put in its place or in the folder's meanwhile is never
// followed. Only a complete, non-empty file is renamed onto TARGET; an existing TARGET stays as it was until
// then. Anything left over is removed when the object goes away.

#include <filesystem>
#include <string>
#include <system_error>

namespace larkspan::zuv0 {

class AtomicOutput {
public:
    AtomicOutput() = default;
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the temporary file in the folder of `target`, which must be absolute.
    [[nodiscard]] std::error_code Open(const std::filesystem::path& target);

    const std::filesystem::path& temporaryPath() const { return temporary_; }

    // Writes the bytes of `from` into the temporary. The error is the one the write met, a full disk
    // included (a library copy may turn that into a plain input/output error).
    [[nodiscard]] std::error_code Fill(const std::filesystem::path& from);

    // Gives the temporary the usual permissions, flushes it to disk and renames it onto the target.
    // Fails with OutputError::EmptyResult when nothing was written, and with TemporaryReplaced when its name
    // no longer names the file written (which is then left alone).
    [[nodiscard]] std::error_code Commit();

    // Removes the temporary, if any.
    void Discard();

private:
    void Close();

    int folder_ = -1;   // the target's folder, opened once
    int file_ = -1;     // the temporary, as mkostemps made it
    std::string name_;  // the target's name in its folder
    std::filesystem::path temporary_;
};

enum class OutputError { EmptyResult = 1, TemporaryReplaced };
std::error_code make_error_code(OutputError error);

}  // namespace larkspan::zuv0

template <>
struct std::is_error_code_enum<larkspan::zuv0::OutputError> : std::true_type {};
