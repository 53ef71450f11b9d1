// libzuv0_office.so: loads and stores documents through LibreOffice's API, inside the process that
// LibreOfficeKit started it in (see office_calls.h). Nothing leaves it but plain C: every exception is
// caught here and told as a stage and a message.

#include "office_calls.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/Desktop.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/lang/XServiceInfo.hpp>
#include <com/sun/star/task/ErrorCodeRequest.hpp>
#include <com/sun/star/task/XInteractionAbort.hpp>
#include <com/sun/star/task/XInteractionApprove.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/uno/XComponentContext.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <cppuhelper/implbase1.hxx>
#include <rtl/ref.hxx>
#include <rtl/ustring.hxx>

namespace {

using namespace css;

using ContextGetter = uno::Reference<uno::XComponentContext> (*)();

// Answers as LibreOffice's own quiet handler does: a warning is let pass, anything else is refused. It
// remembers a password request, so that a password-protected file is told from a damaged one.
class QuietHandler : public cppu::WeakImplHelper1<task::XInteractionHandler> {
public:
    void SAL_CALL handle(const uno::Reference<task::XInteractionRequest>& request) override {
        const uno::Any cause = request->getRequest();
        if (cause.getValueTypeName().indexOf("PasswordRequest") >= 0) askedForPassword = true;
        task::ErrorCodeRequest error;
        // LibreOffice marks a warning by the top bit of its error code.
        const bool warning = (cause >>= error) && error.ErrCode < 0;
        const uno::Sequence<uno::Reference<task::XInteractionContinuation>> choices =
            request->getContinuations();
        if (warning)
            for (const auto& choice : choices)
                if (uno::Reference<task::XInteractionApprove> approve{choice, uno::UNO_QUERY}; approve.is())
                    return approve->select();
        for (const auto& choice : choices)
            if (uno::Reference<task::XInteractionAbort> abort{choice, uno::UNO_QUERY}; abort.is())
                return abort->select();
    }

    bool askedForPassword = false;
};

struct Office {
    uno::Reference<frame::XDesktop2> desktop;
    rtl::Reference<QuietHandler> handler;
    uno::Reference<lang::XComponent> document;
};
Office* office = nullptr;  // made by bind; never destroyed, only emptied by release

// Into a caller's buffer of `size` bytes, cut to fit and closed by a NUL.
void CopyCut(std::string_view text, char* buffer, std::size_t size) {
    if (size == 0) return;
    const std::size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
}

void Answer(LarkspanOfficeAnswer* answer, const char* stage, std::string_view message = {}) {
    answer->stage = stage;
    CopyCut(message, answer->message, sizeof answer->message);
}

void AnswerWith(LarkspanOfficeAnswer* answer, const char* stage, const rtl::OUString& message) {
    const rtl::OString text = rtl::OUStringToOString(message, RTL_TEXTENCODING_UTF8);
    Answer(answer, stage, std::string_view(text.getStr(), static_cast<std::size_t>(text.getLength())));
}

rtl::OUString Text(const char* utf8) {
    return rtl::OStringToOUString(rtl::OString(utf8), RTL_TEXTENCODING_UTF8);
}

beans::PropertyValue Property(const char* name, const uno::Any& value) {
    beans::PropertyValue property;
    property.Name = rtl::OUString::createFromAscii(name);
    property.Value = value;
    return property;
}

void Discard() {
    if (!office || !office->document.is()) return;
    // Let go of before closing: a document that will not close is never closed twice. (Outside
    // LibreOffice's own build, its references copy rather than move.)
    const uno::Reference<lang::XComponent> document = office->document;
    office->document.clear();
    try {
        if (uno::Reference<util::XCloseable> closeable{document, uno::UNO_QUERY}; closeable.is())
            closeable->close(true);
        else
            document->dispose();
    } catch (...) {
        try {
            document->dispose();
        } catch (...) {
        }
    }
}

bool Bind(void* processContext, char* why, size_t whySize) {
    auto fail = [&](std::string_view reason) {
        CopyCut(reason, why, whySize);
        return false;
    };
    try {
        const uno::Reference<uno::XComponentContext> context =
            reinterpret_cast<ContextGetter>(processContext)();
        if (!context.is()) return fail("LibreOffice has no component context");
        if (!office) office = new Office;
        office->desktop = frame::Desktop::create(context);
        office->handler = new QuietHandler;
        return true;
    } catch (const uno::Exception& error) {
        const rtl::OString text = rtl::OUStringToOString(error.Message, RTL_TEXTENCODING_UTF8);
        return fail(text.getStr());
    } catch (...) {
        return fail("an unexpected error");
    }
}

void Load(const char* sourceUrl, const char* loadFilter, LarkspanOfficeAnswer* answer) {
    Discard();
    if (!office || !office->desktop.is()) return Answer(answer, "internal", "not bound to LibreOffice");
    office->handler->askedForPassword = false;
    const char* stage = "load";
    rtl::OUString message;
    try {
        std::vector<beans::PropertyValue> properties{
            Property("Hidden", uno::Any(true)),
            Property("MacroExecutionMode", uno::Any(document::MacroExecMode::NEVER_EXECUTE)),
            Property("UpdateDocMode", uno::Any(document::UpdateDocMode::NO_UPDATE)),
            Property("InteractionHandler",
                     uno::Any(uno::Reference<task::XInteractionHandler>(office->handler.get()))),
        };
        if (*loadFilter) properties.push_back(Property("FilterName", uno::Any(Text(loadFilter))));
        office->document = office->desktop->loadComponentFromURL(
            Text(sourceUrl), "_blank", 0,
            uno::Sequence<beans::PropertyValue>(properties.data(),
                                                static_cast<sal_Int32>(properties.size())));
        if (office->document.is()) {
            const uno::Reference<lang::XServiceInfo> info{office->document, uno::UNO_QUERY};
            stage = info.is() && info->supportsService("com.sun.star.text.TextDocument") ? "loaded" : "kind";
        }
    } catch (const uno::Exception& error) {
        message = error.Message;
    } catch (...) {
        message = "an unexpected error";
    }
    if (std::string_view(stage) != "loaded") Discard();
    if (std::string_view(stage) == "load" && office->handler->askedForPassword) stage = "password";
    AnswerWith(answer, stage, message);
}

void Save(const char* targetUrl, const char* filter, LarkspanOfficeAnswer* answer) {
    if (!office || !office->document.is()) return Answer(answer, "internal", "no document is open");
    const char* stage = "save";
    rtl::OUString message;
    try {
        const uno::Reference<frame::XStorable> storable{office->document, uno::UNO_QUERY_THROW};
        const beans::PropertyValue properties[] = {
            Property("FilterName", uno::Any(Text(filter))),
            Property("Overwrite", uno::Any(true)),
        };
        storable->storeToURL(Text(targetUrl), uno::Sequence<beans::PropertyValue>(properties, 2));
        stage = "saved";
    } catch (const uno::Exception& error) {
        message = error.Message;
    } catch (...) {
        message = "an unexpected error";
    }
    Discard();
    AnswerWith(answer, stage, message);
}

void Release() {
    if (!office) return;
    Discard();
    office->desktop.clear();
    office->handler.clear();
}

constexpr LarkspanOfficeCalls kCalls{Bind, Load, Save, Release};

}  // namespace

extern "C" __attribute__((visibility("default"))) const LarkspanOfficeCalls* larkspan_office_calls() {
    return &kCalls;
}
