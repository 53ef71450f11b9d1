// Zuv0 --serve end to end: one engine, many jobs, spoken to through its byte protocol, with the real
// LibreOffice and documents read back by pandoc and catdoc.

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "harness.h"
#include "platform/engine_protocol.h"

namespace larkspan::zuv0::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using ::testing::UnorderedElementsAreArray;

struct Response {
    long long job = -1;
    int code = -1;
    std::string subject, detail, check;

    // The line the single-file form prints for the same outcome.
    std::string Line() const {
        if (code == kUsage) return "usage: Zuv0 -f SOURCE TARGET";
        std::string line = "Zuv0: " + std::string(engine_protocol::ReasonText(code));
        if (!subject.empty()) line += ": " + subject;
        if (!detail.empty()) line += " (" + detail + ")";
        return line;
    }
};

std::vector<std::string> WithCache(std::vector<std::string> environment) {
    environment.push_back("XDG_CACHE_HOME=" + kCacheHome.string());
    return environment;
}

// A `Zuv0 --serve` process, spoken to through its protocol.
class Server : public Child {
public:
    Server() : Child({kZuv0.string(), "--serve"}, WithCache({}), Input::Pipe) {}

    void Request(const std::string& source, const std::string& target) {
        Write(engine_protocol::RequestFrame(++requests_, source, target));
    }

    // The start frame, or the answer to the next request; nothing when the output ends first.
    std::optional<Response> Next() {
        static_assert(engine_protocol::kAnswerFields == 5);
        const std::optional<std::string> job = ReadUntil('\0');
        const std::optional<std::string> code = job ? ReadUntil('\0') : std::nullopt;
        const std::optional<std::string> subject = code ? ReadUntil('\0') : std::nullopt;
        const std::optional<std::string> detail = subject ? ReadUntil('\0') : std::nullopt;
        const std::optional<std::string> check = detail ? ReadUntil('\0') : std::nullopt;
        if (!check) return std::nullopt;
        return Response{std::stoll(*job), std::stoi(*code), *subject, *detail, *check};
    }

private:
    std::uint64_t requests_ = 0;
};

// What `Zuv0 -f SOURCE TARGET` answers: the status and its one line.
std::pair<int, std::string> SingleFileAnswer(const std::string& source, const std::string& target) {
    const Finished run = Run({kZuv0.string(), "-f", source, target}, WithCache({}));
    std::string line = run.err;
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return {run.exitCode, line};
}

struct Job {
    std::string sample;  // copied in under `source`; empty for none
    std::string source;  // in the test's folder; empty sends an empty field
    std::string target;
    int code;
    std::vector<std::string> expected = {};  // in the read-back target
};

TEST(Serve, ConvertsManyFilesInOrderOnOneEngine) {
    TempFolder folder;
    // Text in an 8-bit character set: no format LibreOffice would read rightly.
    WriteBytes(folder / "latin.doc", "Plain na\xEFve caf\xE9\n");
    const std::vector<Job> jobs = {
        {"report.doc", "report.doc", "report.docx", 0, {"# Quarterly report", "Καλημέρα κόσμε"}},
        // Any byte but NUL passes: line ends, quotes, spaces, letters outside ASCII.
        {"letter.docx", "letter.docx", "line\nend \"double\" 'single' Größe.doc", 0, {"Привет, мир"}},
        {"memo.docx", "new\nline Σημείωση.docx", "memo.doc", 0, {"Kraków"}},
        // Refusals in the middle do not stop the jobs after them.
        {"", "latin.doc", "latin.docx", kNotADocument},
        {"", "", "empty-source.docx", kUsage},
        {"", "absent.doc", "absent.docx", kSourceUnreadable},
        {"password/protected.doc", "secret.doc", "secret.docx", kPasswordProtected},
        {"third-party/bug53475-password-is-pass.docx", "encrypted.docx", "encrypted.doc", kPasswordProtected},
        {"third-party/word2.doc", "word2.doc", "word2.docx", 0, {"Member of 3GPP (ARIB)"}},
        // Loaded, then no format to save in: a failure after the engine worked.
        {"", "report.doc", "report.xyz", kSaveFailed},
        {"third-party/footnote.doc", "footnote.doc", "footnote.docx", 0, {"[^1]: TestFootnote"}},
        {"revisions.docx", "revisions.docx", "revisions.doc", 0, {"The comment: check these numbers."}},
    };

    Server server;
    const std::optional<Response> start = server.Next();
    ASSERT_TRUE(start);
    EXPECT_EQ(start->job, 0);
    EXPECT_EQ(start->code, 0);
    EXPECT_EQ(start->Line(), "Zuv0: converted");
    std::vector<std::string> names = {"latin.doc"};
    for (const Job& job : jobs) {
        if (!job.sample.empty()) {
            fs::copy_file(kSamples / job.sample, folder / job.source);
            names.push_back(job.source);
        }
        server.Request(job.source.empty() ? "" : (folder / job.source).string(),
                       (folder / job.target).string());
    }

    for (std::size_t index = 0; index < jobs.size(); ++index) {
        const Job& job = jobs[index];
        SCOPED_TRACE(job.source + " -> " + job.target);
        const std::optional<Response> response = server.Next();
        ASSERT_TRUE(response);
        EXPECT_EQ(response->job, static_cast<long long>(index + 1));
        EXPECT_EQ(response->code, job.code) << response->Line();
        if (job.code == 0) {
            EXPECT_EQ(response->Line(), "Zuv0: converted");
            names.push_back(job.target);
            const std::string text = ReadBack(folder / job.target);
            for (const std::string& expected : job.expected) EXPECT_THAT(text, HasSubstr(expected));
        }
    }

    // The end of input ends the engine cleanly, with nothing more said.
    const Finished finished = server.Wait();
    EXPECT_EQ(finished.exitCode, 0);
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.err, "");
    // Sources and targets only: no temporary, no lock file, no target of a failed job.
    EXPECT_THAT(FolderNames(folder.path()), UnorderedElementsAreArray(names));

    // Each failure is answered as the single-file form answers it.
    Server again;
    ASSERT_TRUE(again.Next());
    for (const Job& job : jobs) {
        if (job.code == 0) continue;
        const std::string source = job.source.empty() ? "" : (folder / job.source).string();
        again.Request(source, (folder / job.target).string());
        const std::optional<Response> response = again.Next();
        ASSERT_TRUE(response);
        const auto [code, line] = SingleFileAnswer(source, (folder / job.target).string());
        EXPECT_EQ(response->code, code);
        EXPECT_EQ(response->Line(), line);
        // The path a failure is about comes as it is, for the parent to compare with its own.
        if (job.code != kUsage) {
            EXPECT_EQ(response->subject, job.code == kSaveFailed ? (folder / job.target).string() : source);
        }
    }
    // Input that ends inside a request ends the engine as cleanly, that request unanswered.
    again.Write("99" + std::string(1, '\0') + (folder / "report.doc").string() + '\0' +
                (folder / "x").string() + '\0' + (folder / "half").string());
    const Finished ended = again.Wait();
    EXPECT_EQ(ended.exitCode, 0);
    EXPECT_EQ(ended.out, "");
    EXPECT_THAT(FolderNames(folder.path()), UnorderedElementsAreArray(names));
}

// Without /dev/null LibreOffice's noise would go where the answers go: the engine refuses to serve, with one
// line, rather than answer in a stream it cannot keep clean.
TEST(Serve, RefusesToStartWithoutDevNull) {
    Child engine(
        {"unshare", "--mount", "--propagation", "private", "/bin/sh", "-c",
         "mount -t tmpfs none /dev || { echo 'cannot mount here' >&2; exit 99; }; exec \"$0\" --serve",
         kZuv0.string()},
        WithCache({}), Input::Pipe);
    const Finished finished = engine.Wait();
    if (finished.exitCode == 99 || finished.err.find("unshare") != std::string::npos)
        GTEST_SKIP() << "this machine does not let a test hide /dev/null: " << finished.err;
    EXPECT_EQ(finished.exitCode, kInternal);
    EXPECT_EQ(finished.out, "") << "it answered";
    EXPECT_EQ(finished.err, "Zuv0: internal error: /dev/null (cannot open it)\n");
}

bool ProcessGone(pid_t pid) {
    if (::kill(pid, 0) != 0) return true;
    // An ended child of a parent that is gone may wait a moment for the system to reap it.
    const std::string stat = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    return close == std::string::npos || stat.substr(close + 2, 1) == "Z";
}

TEST(Serve, EndsWhenItsParentIsKilled) {
    // The engine's parent is a shell, which is killed outright; our end of the engine's input stays open,
    // so only the death of its parent can end it. The shell hands the pipe to the engine as fd 3, as a
    // background job's standard input is /dev/null.
    Child shell({"/bin/sh", "-c", "exec 3<&0; \"$0\" --serve <&3 & echo $!; wait", kZuv0.string()},
                WithCache({}), Input::Pipe);
    const std::optional<std::string> pid = shell.ReadUntil('\n');
    ASSERT_TRUE(pid);
    const pid_t engine = std::stoi(*pid);
    // The start frame: LibreOffice is up.
    for (const char* field : {"0", "0", "", "", ""}) ASSERT_EQ(shell.ReadUntil('\0'), field);

    ::kill(shell.pid(), SIGKILL);

    // At once, unless the machine is busy.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!ProcessGone(engine) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(ProcessGone(engine));
    if (!ProcessGone(engine)) ::kill(engine, SIGKILL);
}

// The staged copy of `name` that the engine loads, once it is there.
bool Staged(const std::string& name) {
    for (const fs::directory_entry& slot : fs::directory_iterator(kCacheHome / "larkspan")) {
        std::error_code ignored;
        if (fs::exists(slot.path() / "tmp" / "source" / name, ignored)) return true;
    }
    return false;
}

TEST(Serve, CrashDuringAJobAnswersThatJobAndEnds) {
    TempFolder folder;
    // Long enough to load that the job is surely in hand when the crash comes.
    std::string text;
    for (int line = 0; line < 20000; ++line) text += "Line " + std::to_string(line) + " of a long text.\n";
    const std::string name = "long-" + std::to_string(::getpid()) + ".doc";
    WriteBytes(folder / name, text);
    fs::copy_file(kSamples / "memo.docx", folder / "memo.docx");

    Server server;
    ASSERT_TRUE(server.Next());
    server.Request((folder / name).string(), (folder / "long.docx").string());
    server.Request((folder / "memo.docx").string(), (folder / "memo.doc").string());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!Staged(name) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ::kill(server.pid(), SIGSEGV);

    const std::optional<Response> response = server.Next();
    const Finished finished = server.Wait();

    ASSERT_TRUE(response);
    EXPECT_EQ(response->job, 1);
    EXPECT_THAT(response->detail, HasSubstr("crashed"));
    EXPECT_NE(response->code, 0);
    // No answer for the job after it: the parent gives that one to a fresh engine.
    EXPECT_EQ(finished.out, "");
    EXPECT_EQ(finished.exitCode, response->code);
    EXPECT_THAT(FolderNames(folder.path()), UnorderedElementsAreArray({name, std::string("memo.docx")}));
}

}  // namespace
}  // namespace larkspan::zuv0::testing
