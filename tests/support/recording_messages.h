#pragma once
// The program's messages, recorded instead of shown: no box waits for a click and no line goes to the
// terminal in a test.

#include <string>
#include <string_view>
#include <vector>

#include "platform/message_box.h"

namespace larkspan::test {

class RecordingMessages final : public MessageBox {
public:
    void Show(std::string_view text) override { shown.emplace_back(text); }
    std::vector<std::string> shown;
};

}  // namespace larkspan::test
