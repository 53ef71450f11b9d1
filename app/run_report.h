#pragma once
// The run's report: JSON Lines, one object per line, each line written whole with one write as soon as it
// is known, so that a run killed at any moment leaves a report that is valid up to its last line. The
// report is appended to: a run begins with its "run" line, ends with its "totals" line, and the reports of
// several shards or of a run and its resumption merge by concatenation.

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace larkspan {

struct ReportedFile {
    std::string source;
    std::string target;   // empty when none was formed
    std::string outcome;  // "converted", "copied", "skipped", "failed" or "refused"
    std::string reason;   // empty unless it failed or was refused
    std::int64_t milliseconds = 0;
    std::string losses = {};  // what the check found missing, "; " between them
    std::string check = {};   // the check's own JSON object; empty when it did not run
};

struct ReportTotals {
    std::uint64_t files = 0, converted = 0, copied = 0, skipped = 0, failed = 0,
                  refused = 0;     // lines of files
    std::uint64_t withLosses = 0;  // converted, but the check found something missing
    std::int64_t milliseconds = 0;
    bool stopped = false;          // ended by a signal before every file was done
    std::uint64_t unfinished = 0;  // sources with no line: the run was stopped, or no engine could start
};

class RunReport {
public:
    // Opens file for appending; nullopt with the reason in error.
    static std::optional<RunReport> Open(const std::string& file, std::error_code& error);
    RunReport(RunReport&& other) noexcept;
    RunReport& operator=(RunReport&& other) noexcept;
    ~RunReport();

    // The run's line: its arguments, the versions, the host, the start time, the shard ("K/N", or empty).
    void Begin(const std::vector<std::string>& arguments, const std::string& libreOffice,
               const std::string& shard);
    void File(const ReportedFile& file);
    void End(const ReportTotals& totals);

    // A write failed (the disk filled up, say): said once, on standard error, by the caller.
    const std::error_code& error() const { return error_; }

private:
    explicit RunReport(int fd) : fd_(fd) {}
    void Line(const std::string& json);

    int fd_ = -1;
    std::string shard_;
    std::error_code error_;
};

// text as a JSON string, quotes included. Bytes that are not UTF-8 become U+FFFD: where a name holds any,
// the field's exact bytes are given once more in hexadecimal (see RunReport).
std::string JsonString(const std::string& text);

}  // namespace larkspan
