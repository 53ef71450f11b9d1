#pragma once
// The few messages the program shows itself. The window mode shows a message box; the command-line mode
// prints a line on standard error; tests record them.

#include <string>
#include <string_view>

namespace larkspan {

class MessageBox {
public:
    virtual ~MessageBox() = default;
    // An OK-only message. Returns when the user has dismissed it.
    virtual void Show(std::string_view text) = 0;
};

// The command-line mode's messages: one line on standard error each.
class StderrMessageBox final : public MessageBox {
public:
    void Show(std::string_view text) override;
};

}  // namespace larkspan
