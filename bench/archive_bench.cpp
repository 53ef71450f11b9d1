// What a whole archive costs besides converting: finding its documents (larkspan -r's walk) and writing a
// report line for each. Prints both, in milliseconds, for bench/archive.sh to set against the whole run.
// Usage: larkspan_archive_bench TREE REPORT-FILE

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/command_line_sources.h"
#include "app/run_report.h"
#include "mainwindow/main_window.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: larkspan_archive_bench TREE REPORT-FILE\n");
        return 2;
    }
    using Clock = std::chrono::steady_clock;
    const auto ms = [](Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); };

    const char* arguments[] = {"larkspan", "-r", argv[1], "docx", "/tmp/archive-bench-out"};
    const larkspan::CommandLineArguments parsed = larkspan::CommandLineArguments::FromArgv(5, arguments);
    larkspan::MainWindow window;
    auto started = Clock::now();
    const larkspan::CollectedSources found = larkspan::CollectSources(window, parsed, "/tmp/archive-bench-out");
    const double finding = ms(Clock::now() - started);

    std::error_code error;
    std::optional<larkspan::RunReport> report = larkspan::RunReport::Open(argv[2], error);
    if (!report) {
        std::fprintf(stderr, "cannot write %s: %s\n", argv[2], error.message().c_str());
        return 1;
    }
    started = Clock::now();
    report->Begin({argv[1]}, "", "");
    for (const larkspan::FoundSource& source : found.found)
        report->File({source.path, source.path + "x", "converted", "", 40});
    report->End({});
    const double reporting = ms(Clock::now() - started);

    std::printf("found %zu documents in %.1f ms; %zu report lines in %.1f ms\n", found.found.size(), finding,
                found.found.size(), reporting);
    return report->error() ? 1 : 0;
}
