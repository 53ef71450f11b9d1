#pragma once
// The command line's conversion in a test: larkspan's arguments parsed and run in this process, over a
// stand-in converter that "converts" by prefixing the source's text (so a copy and a conversion differ) and
// fails on a source whose name says "broken".

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_line_conversion.h"
#include "app/stderr_message_box.h"
#include "mainwindow/main_window.h"
#include "tests/support/files.h"
#include "tests/support/stand_in_converter.h"

namespace larkspan {

class CommandLineConversion : public ::testing::Test {
protected:
    CommandLineConversion() {
        // The stand-in "converts" by prefixing the source's text, so a copy and a conversion differ.
        test::WriteStandIn(work.path() / "app",
                           "case \"$2\" in *broken*) exit 4;; esac\n"
                           "{ echo converted; cat \"$2\"; } > \"$3\"");
        window.ApplicationFolder = (work.path() / "app").string() + "/";
        std::filesystem::create_directories(out);
    }
    // larkspan with these arguments; what it wrote on standard error goes into errors.
    int Run(const std::vector<std::string>& arguments) {
        std::vector<const char*> argv = {"larkspan"};
        for (const std::string& argument : arguments) argv.push_back(argument.c_str());
        const CommandLineArguments parsed =
            CommandLineArguments::FromArgv(static_cast<int>(argv.size()), argv.data());
        ::testing::internal::CaptureStderr();
        int status = RunCommandLineConversion(window, parsed, messages);
        errors = ::testing::internal::GetCapturedStderr();
        return status;
    }
    int Run(const std::string& source, const std::string& format, const std::string& output) {
        return Run(std::vector<std::string>{source, format, output});
    }
    test::ScopedRegistry registry;
    test::TempFolder work;
    std::filesystem::path in = work.path() / "in";
    std::filesystem::path out = work.path() / "out";
    MainWindow window;
    StderrMessageBox messages;
    std::string errors;
};

}  // namespace larkspan
