#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarquel {

// Names under the reserved top-level domain "invalid" never resolve. The default address of the
// version file lies there, so a build nobody configured asks no one, not even its name server.
bool IsUnderInvalidDomain(std::wstring_view host);

// The host a download link leads to, for the box to name, when the link may be opened: an
// absolute https address with a host, made of the characters an address may hold. Plain http
// only to this computer (localhost, 127.x.x.x, [::1]): elsewhere anyone on the network could
// choose where it leads. A user part ("https://good.example@evil.example/") is refused: it
// exists to make an address look like another. The link comes from the network and goes to
// the shell, which would just as well start a program, open a local file or hand a
// quote-broken argument to the browser.
std::optional<std::string> DownloadHost(std::string_view link);
bool IsOpenableLink(std::string_view link);

// The text of the "Update Available" box. With the link's host: Yes downloads from there, No
// skips the version, Cancel waits. Without one (a link that is not opened): the version and
// why nothing is opened.
std::string UpdatePromptText(std::string_view version, const std::optional<std::string>& host);

}  // namespace tarquel
