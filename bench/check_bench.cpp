// The check of one conversion, timed alone: CheckConversion on a source and its converted file, RUNS times,
// the median printed in milliseconds. For bench/convert.sh, which sets it beside the conversion's own time:
// the engine's start varies from run to run by more than the check takes.
// Usage: larkspan_check_bench RUNS SOURCE CONVERTED...   (pairs: each source, then its converted file)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "converter/conversion_check.h"

using namespace larkspan::zuv0;

namespace {

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s RUNS SOURCE CONVERTED...\n", argv[0]);
        return 2;
    }
    const int runs = std::max(1, std::atoi(argv[1]));
    std::vector<double> times;
    std::size_t losses = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 2; i + 1 < argc; i += 2) {
            const std::string source = argv[i], converted = argv[i + 1];
            const ConversionCheck check = CheckConversion(
                source, EndsWith(source, ".docx") ? ContentKind::WordPackage : ContentKind::WordBinary,
                converted, EndsWith(converted, ".docx") ? "docx" : "doc");
            if (check.json.find("\"unchecked\"") != std::string::npos) {
                std::fprintf(stderr, "%s: %s\n", source.c_str(), check.json.c_str());
                return 1;
            }
            if (run == 0) losses += check.losses.size();
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("%.1f ms, %zu losses\n", times[times.size() / 2], losses);
    return 0;
}
