#pragma once
// The window's messages, recorded instead of shown: no box waits for a click in a test.

#include <string>
#include <string_view>

#include <QStringList>

#include "platform/message_box.h"

namespace larkspan::test {

class RecordingMessages final : public MessageBox {
public:
    void Show(std::string_view text) override { shown.push_back(QString::fromStdString(std::string(text))); }
    QStringList shown;
};

}  // namespace larkspan::test
