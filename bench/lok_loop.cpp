// LibreOfficeKit's own way to convert, for comparison: a bare loop of documentLoad and saveAs, with nothing
// of ours around it (each load builds the document's frame and user interface). Starts
// LibreOffice once, then loads each SOURCE and saves it as OUTDIR/NAME.docx. Prints the time per document
// after the start. Usage: larkspan_lok_loop PROFILE-FOLDER OUTDIR SOURCE...

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <LibreOfficeKit/LibreOfficeKitInit.h>
#include <LibreOfficeKit/LibreOfficeKit.hxx>

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PROFILE-FOLDER OUTDIR SOURCE...\n", argv[0]);
        return 2;
    }
    namespace fs = std::filesystem;
    ::setenv("SAL_USE_VCLPLUGIN", "svp", 1);
    const std::string profile = "file://" + fs::absolute(argv[1]).string();
    const auto started = std::chrono::steady_clock::now();
    std::unique_ptr<lok::Office> office(lok::lok_cpp_init("/usr/lib/libreoffice/program", profile.c_str()));
    if (!office) {
        std::fprintf(stderr, "LibreOffice did not start\n");
        return 1;
    }
    const auto loaded = std::chrono::steady_clock::now();
    int failed = 0;
    for (int i = 3; i < argc; ++i) {
        const fs::path source = fs::absolute(argv[i]);
        const fs::path target = fs::absolute(fs::path(argv[2]) / source.filename().replace_extension(".docx"));
        std::unique_ptr<lok::Document> document(office->documentLoad(("file://" + source.string()).c_str()));
        if (!document || !document->saveAs(("file://" + target.string()).c_str(), "docx")) ++failed;
    }
    const auto done = std::chrono::steady_clock::now();
    using ms = std::chrono::duration<double, std::milli>;
    std::printf("start %.0f ms; %d documents %.0f ms, %.1f ms each; %d failed; seconds %.3f\n",
                ms(loaded - started).count(), argc - 3, ms(done - loaded).count(),
                ms(done - loaded).count() / (argc - 3), failed, ms(done - started).count() / 1000);
    // The shutdown is not timed (it is not conversion work), but it happens: a profile left unclosed costs
    // a rebuild at the next start.
    std::fflush(stdout);
    office.reset();
    return failed ? 1 : 0;
}
