#pragma once
// Starting a program in a test, feeding its input, and collecting what it writes until it ends.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace larkspan::test {

struct Finished {
    int exitCode = -1;  // -1 when the child did not exit normally
    int signal = 0;     // the signal that ended it, if any
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::duration<double> took{};
};

enum class Input { Null, Pipe };

// A started child whose standard output and error are being collected.
class Child {
public:
    // Starts `argv` (argv[0] looked up in PATH) with the current environment, where each "NAME=VALUE" of
    // `overrides` replaces NAME. Standard input is /dev/null, or a pipe that Write() feeds.
    explicit Child(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {},
                   Input input = Input::Null);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // Standard input through the pipe, and its end.
    void Write(std::string_view bytes);
    void CloseInput();

    // Standard output up to the next `delimiter`, which is not returned; nothing when the output ends
    // first or `limit` runs out.
    std::optional<std::string> ReadUntil(char delimiter,
                                         std::chrono::seconds limit = std::chrono::seconds(300));

    // Closes standard input, collects the rest of the output until the child ends; kills it when `limit`
    // (counted from the start) runs out.
    Finished Wait(std::chrono::seconds limit = std::chrono::seconds(300));

private:
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string unread_;  // standard output read but not yet handed out
    std::chrono::steady_clock::time_point started_;
};

Finished Run(const std::vector<std::string>& argv, const std::vector<std::string>& overrides = {});

}  // namespace larkspan::test
