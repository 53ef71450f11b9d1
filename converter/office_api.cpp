#include "office_api.h"

#include <dlfcn.h>

#include <utility>

#include "office_calls.h"
#include "platform/paths.h"

namespace larkspan::zuv0 {

namespace fs = std::filesystem;

namespace {

// LibreOffice's own accessor of the office's component context. It lives in the merged library where
// LibreOffice is built as one, as Debian's is, and in comphelper's library where it is not.
void* ProcessContextGetter(const fs::path& programFolder) {
    for (const char* name : {"libmergedlo.so", "libcomphelper.so"}) {
        // Only a library LibreOfficeKit has already loaded: never a second copy of it.
        void* library = ::dlopen((programFolder / name).c_str(), RTLD_LAZY | RTLD_NOLOAD);
        if (!library) continue;
        void* getter = ::dlsym(library, "_ZN10comphelper26getProcessComponentContextEv");
        ::dlclose(library);  // drops only the reference RTLD_NOLOAD took
        if (getter) return getter;
    }
    return nullptr;
}

// Beside the running program.
fs::path ModulePath() {
    return fs::path(paths::ExecutableFolder()) / "libzuv0_office.so";
}

OfficeApi::Answer Take(const LarkspanOfficeAnswer& answer) {
    return {answer.stage ? answer.stage : "internal", answer.message};
}

}  // namespace

std::string FilterForFormat(std::string_view format) {
    // The names LibreOfficeKit chooses for a text document's extensions.
    static constexpr std::pair<std::string_view, std::string_view> kFilters[] = {
        {"doc", "MS Word 97"},
        {"docx", "MS Word 2007 XML"},
        {"docm", "MS Word 2007 XML VBA"},
        {"dot", "MS Word 97 Vorlage"},
        {"dotx", "MS Word 2007 XML Template"},
        {"odt", "writer8"},
        {"ott", "writer8_template"},
        {"fodt", "OpenDocument Text Flat XML"},
        {"rtf", "Rich Text Format"},
        {"txt", "Text"},
        {"html", "HTML (StarWriter)"},
        {"xhtml", "XHTML Writer File"},
        {"pdf", "writer_pdf_Export"},
        {"epub", "EPUB"},
    };
    for (const auto& [extension, filter] : kFilters)
        if (extension == format) return std::string(filter);
    return {};
}

std::unique_ptr<OfficeApi> OfficeApi::Bind(const fs::path& programFolder, std::string& why) {
    void* getter = ProcessContextGetter(programFolder);
    if (!getter) {
        why = "LibreOffice there offers no entry to its API";
        return nullptr;
    }
    // Its libraries resolve to the ones LibreOfficeKit loaded. Never closed: LibreOffice may still hold
    // objects of its making until it is shut down.
    void* module = ::dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* error = ::dlerror();
        // The loader's words begin with the file's name.
        why = "cannot load " + (error ? std::string(error) : ModulePath().native());
        return nullptr;
    }
    using Entry = const LarkspanOfficeCalls* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, "larkspan_office_calls"));
    const LarkspanOfficeCalls* calls = entry ? entry() : nullptr;
    if (!calls) {
        why = ModulePath().native() + " is not Zuv0's module";
        return nullptr;
    }
    char reason[512] = "";
    if (!calls->bind(getter, reason, sizeof reason)) {
        why = std::string("LibreOffice's API does not answer: ") + reason;
        return nullptr;
    }
    return std::unique_ptr<OfficeApi>(new OfficeApi(calls));
}

OfficeApi::~OfficeApi() {
    calls_->release();
}

OfficeApi::Answer OfficeApi::Load(const std::string& sourceUrl, const std::string& loadFilter) {
    LarkspanOfficeAnswer answer{};
    calls_->load(sourceUrl.c_str(), loadFilter.c_str(), &answer);
    return Take(answer);
}

OfficeApi::Answer OfficeApi::Save(const std::string& targetUrl, const std::string& filter) {
    LarkspanOfficeAnswer answer{};
    calls_->save(targetUrl.c_str(), filter.c_str(), &answer);
    return Take(answer);
}

}  // namespace larkspan::zuv0
