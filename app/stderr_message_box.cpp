#include "app/stderr_message_box.h"

#include <iostream>

namespace larkspan {

void StderrMessageBox::Show(std::string_view text) {
    std::cerr << "larkspan: " << text << '\n';
}

}  // namespace larkspan
