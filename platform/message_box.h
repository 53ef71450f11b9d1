#pragma once
// The few messages the program shows itself, behind one interface: the window mode shows a message box,
// the command-line mode prints a line on standard error, and tests record them. It sits below every
// subsystem, so the engine can report without knowing which mode it runs in.

#include <string_view>

namespace larkspan {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // An OK-only message. Returns when the user has dismissed it.
    virtual void Show(std::string_view text) = 0;
};

}  // namespace larkspan
