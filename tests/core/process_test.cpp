#include "platform/process.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "temp_folder.h"

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
        for (int i = 0; i < 100 && test::ReadText(pidFile).empty(); ++i) std::this_thread::sleep_for(10ms);
        const pid_t left = std::stoi(test::ReadText(pidFile));
        WaitResult result = child->Wait(ends ? 10s : 300ms);
        EXPECT_EQ(result.outcome, ends ? WaitOutcome::Exited : WaitOutcome::TimedOut);
        for (int i = 0; i < 100 && Alive(left); ++i) std::this_thread::sleep_for(10ms);
        EXPECT_FALSE(Alive(left)) << (ends ? "after it ended" : "after it was ended");
        std::remove(pidFile.c_str());
    }
}

}  // namespace
}  // namespace larkspan::process
