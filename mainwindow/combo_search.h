#pragma once
#include <QString>

class QComboBox;

namespace larkspan {

// Selects the first item whose text begins with prefix, ignoring letter case, searching from the item
// after start to the last and then from the first up to start (start -1 searches from the first item).
// Returns the item selected, or -1 with the selection left as it was.
int SelectStringPrefix(QComboBox& combo, int start, const QString& prefix);

}  // namespace larkspan
