#pragma once
// The product's two pages. Larkspan has no web site: its site is its help folder, installed with the
// program (share/larkspan/help) or, in a build, the build tree's help folder (made from docs/help). A real
// site replaces SiteAddress() alone.

#include <string>

namespace larkspan {

// The site's root, ending in '/'.
std::string SiteAddress();
// The home page: the site's index.htm.
std::string HomePageAddress();
// The FAQ page, "Faq.htm" at the site's root.
std::string FaqAddress();

}  // namespace larkspan
