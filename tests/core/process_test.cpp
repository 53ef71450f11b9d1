#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/files.h"

namespace larkspan::process {
namespace {

using namespace std::chrono_literals;

// Running, as opposed to gone or a zombie waiting for whoever adopted it to reap it.
bool Alive(pid_t pid) {
    const std::string stat = test::ReadText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t state = stat.rfind(") ");
    return state != std::string::npos && stat[state + 2] != 'Z' && stat[state + 2] != 'X';
}

// What a program started in its group leaves running goes with it, however it ends.
TEST(ChildProcess, NothingItStartedOutlivesIt) {
    test::TempFolder folder;
    const std::string pidFile = folder.str() + "/left.pid";
    for (bool ends : {true, false}) {
        std::error_code error;
        std::optional<ChildProcess> child = ChildProcess::Start(
            "/bin/sh",
            {"-c", "sleep 30 & echo $! > '" + pidFile + "'; " + (ends ? "exit 0" : "exec sleep 30")}, error);
        ASSERT_TRUE(child) << error.message();
        for (int i = 0; i < 3000 && test::ReadText(pidFile).empty(); ++i) std::this_thread::sleep_for(10ms);
        const pid_t left = std::stoi(test::ReadText(pidFile));
        WaitResult result = child->Wait(ends ? 10s : 300ms);
        EXPECT_EQ(result.outcome, ends ? WaitOutcome::Exited : WaitOutcome::TimedOut);
        for (int i = 0; i < 3000 && Alive(left); ++i) std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(Alive(left)) << (ends ? "after it ended" : "after it was ended");
        std::remove(pidFile.c_str());
    }
}

// The child starts clean: nothing the caller had open without close-on-exec, and no signal blocked because
// the calling thread blocks it (as the engine session does while it writes to a pipe).
TEST(ChildProcess, InheritsNoStrayDescriptorAndNoBlockedSignal) {
    const int stray = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(stray, 3);
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGPIPE);
    sigaddset(&blocked, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &blocked, &previous);
    std::error_code error;
    std::optional<ChildProcess> child =
        ChildProcess::Start("/bin/sh",
                            {"-c", "{ test -e /proc/self/fd/" + std::to_string(stray) +
                                       " && echo inherited; grep SigBlk /proc/self/status; } >&2"},
                            error);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ::close(stray);
    ASSERT_TRUE(child) << error.message();
    const WaitResult result = child->Wait(300s);
    EXPECT_EQ(result.errorOutput, "SigBlk:\t0000000000000000\n");
}

}  // namespace
}  // namespace larkspan::process
