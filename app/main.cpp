// The larkspan program: with a source argument it converts without creating any Qt application, so it
// runs with no display; otherwise it opens the main window.

#include "app/converter_app.h"
#include "app/message_box.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
    larkspan::ConverterApp app(larkspan::paths::ExecutableTitle());
    larkspan::StartupHooks hooks;
    larkspan::StderrMessageBox messages;
    hooks.messages = &messages;
    return app.InitInstance(argc, argv, hooks);
}
