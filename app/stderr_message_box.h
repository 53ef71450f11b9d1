#pragma once
#include "platform/message_box.h"

namespace larkspan {

// The command-line mode's messages: one line on standard error each.
class StderrMessageBox final : public MessageBox {
public:
    void Show(std::string_view text) override;
};

}  // namespace larkspan
