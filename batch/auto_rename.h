#pragma once
// The numbered names that an existing target gives way to.

#include <string>
#include <string_view>

namespace larkspan {

// True when something (a file, a folder, even a dangling link) has exactly that path.
bool PathFound(std::string_view path);

// The first free name of the form base_NNN.ext: report.doc gives report_001.doc, report_007.doc gives
// report_008.doc, report_999.doc gives report_1000.doc. The number has at least three digits.
std::string AutoRenamePath(std::string_view path);

}  // namespace larkspan
