#pragma once

#include <string>
#include <string_view>

namespace tarquel {

// Names under the reserved top-level domain "invalid" never resolve. The default address of the
// version file lies there, so a build nobody configured asks no one, not even its name server.
bool IsUnderInvalidDomain(std::wstring_view host);

// True only for an absolute http or https address with a host, made of the characters an
// address may hold. The link comes from the network and goes to the shell, which would just as
// well start a program, open a local file or hand a quote-broken argument to the browser.
bool IsOpenableLink(std::string_view link);

// The text of the "Update Available" box: Yes downloads, No skips the version, Cancel waits.
std::string UpdatePromptText(std::string_view version);

}  // namespace tarquel
