// Ctrl+C once asks the run to stop; twice, it ends the process at once and leaves nothing behind.

#include "platform/interrupt.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "platform/emergency_end.h"
#include "platform/process.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_converter.h"

namespace larkspan {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// In a process of its own: a program it started, a temporary it is writing, and a temporary its program
// left in a folder of the run; then Ctrl+C, and once the stop was asked for, Ctrl+C again.
[[noreturn]] void InterruptedTwice(const fs::path& folder) {
    std::stop_source stop;
    InterruptWatch watch(stop);
    std::error_code error;
    std::optional<process::ChildProcess> program = process::ChildProcess::Start("/bin/sleep", {"300"}, error);
    if (!program) ::_exit(90);
    std::ofstream(folder / "program.pid") << program->pid();
    const fs::path writing = folder / ".report.docx.larkspan-1-Ab12Cd";
    std::ofstream(writing) << "half";
    emergency::AddTemporary(writing.string());
    std::ofstream(folder / (".memo.doc.zuv0-" + std::to_string(program->pid()) + "-Xy34Zw.doc")) << "half";
    emergency::AddFolder(folder.string());

    ::raise(SIGINT);
    for (int i = 0; i < 3000 && !stop.stop_requested(); ++i) std::this_thread::sleep_for(10ms);
    std::ofstream(folder / (stop.stop_requested() ? "asked to stop" : "not asked"));
    ::raise(SIGINT);
    std::this_thread::sleep_for(30s);
    ::_exit(91);  // the second Ctrl+C did not end it
}

TEST(InterruptWatch, ASecondCtrlCEndsAtOnceAndLeavesNothing) {
    test::TempFolder folder;
    const pid_t run = ::fork();
    ASSERT_GE(run, 0);
    if (run == 0) InterruptedTwice(folder.path());
    int status = 0;
    ASSERT_EQ(::waitpid(run, &status, 0), run);

    ASSERT_TRUE(WIFSIGNALED(status)) << "exited with " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_TRUE(fs::exists(folder.path() / "asked to stop"));
    const pid_t program = std::stoi(test::ReadText(folder.path() / "program.pid"));
    EXPECT_FALSE(process::IsRunning(program)) << "the program it started outlived it";
    EXPECT_FALSE(test::HoldsTemporary(folder.path()));
}

}  // namespace
}  // namespace larkspan
