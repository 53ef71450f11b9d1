#pragma once
// No network for the converter: a network namespace of its own, holding nothing but a loopback interface
// that is down, taken before LibreOffice starts.
//
// The profile already tells LibreOffice not to fetch linked pictures or update links, but not every reader
// asks the profile: a Word 97 file's INCLUDEPICTURE field pointing at a web address is fetched while the
// file is converted (a way to learn that, and when, a document was opened). With no network to reach, any
// such attempt fails at once, and nothing waits for an answer.
//
// As the superuser the namespace is taken directly; any other user first takes a user namespace of its own
// in which it is itself, as the kernel allows where unprivileged user namespaces are on (Debian's default).
// Where neither is allowed, the profile's settings are all there is.

namespace larkspan::zuv0 {

// Must run while the process has a single thread. False when the machine does not allow it.
[[nodiscard]] bool CutOffNetwork();

}  // namespace larkspan::zuv0
