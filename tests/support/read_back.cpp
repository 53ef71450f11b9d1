#include "tests/support/read_back.h"

#include <cctype>
#include <stdexcept>

#include "tests/support/child.h"

namespace larkspan::test {

std::string ReadBack(const std::filesystem::path& document, Reading reading) {
    std::string extension = document.extension().string();
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Finished read =
        extension == ".docx"
            ? Run({"pandoc", "-f", "docx", "-t", reading == Reading::Plain ? "plain" : "markdown",
                   "--wrap=none", "--track-changes=all", document.string()})
            : Run({"catdoc", "-d", "utf-8", "-w", document.string()});
    if (read.exitCode != 0)
        throw std::runtime_error("cannot read back " + document.string() + ": " + read.err);
    return read.out;
}

}  // namespace larkspan::test
