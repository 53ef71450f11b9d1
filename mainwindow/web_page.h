#pragma once
// Opens a web address in the user's browser: the desktop's way first, then the program registered for
// ".htm" pages.

#include <string>

namespace larkspan {

class FileOpener;

enum class WebPageResult { OpenedByDesktop, OpenedByHtmProgram, NotOpened };

// A page that neither way opens is reported on standard error; the window itself shows nothing.
WebPageResult OpenWebPage(const std::string& address, FileOpener& opener);

}  // namespace larkspan
