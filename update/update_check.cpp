#include "update/update_check.h"

namespace tarquel {

namespace {

template <typename Char>
Char LowerAscii(Char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<Char>(c - 'A' + 'a') : c;
}

template <typename Char>
bool EqualsIgnoringAsciiCase(std::basic_string_view<Char> text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (LowerAscii(text[i]) != static_cast<Char>(lower[i])) return false;
  }
  return true;
}

// RFC 3986: unreserved characters, the delimiters and "%" of percent-encoding. No spaces, no
// control characters, no quotes: nothing that could end the address inside a command line.
bool IsAddressCharacter(char c) {
  if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
  return std::string_view("-._~:/?#[]@!$&'()*+,;=%").find(c) != std::string_view::npos;
}

}  // namespace

bool IsUnderInvalidDomain(std::wstring_view host) {
  if (!host.empty() && host.back() == L'.') host.remove_suffix(1);  // fully qualified form
  constexpr std::string_view tld = "invalid";
  if (EqualsIgnoringAsciiCase(host, tld)) return true;
  return host.size() > tld.size() && host[host.size() - tld.size() - 1] == L'.' &&
         EqualsIgnoringAsciiCase(host.substr(host.size() - tld.size()), tld);
}

bool IsOpenableLink(std::string_view link) {
  for (char c : link) {
    if (!IsAddressCharacter(c)) return false;
  }
  std::size_t schemeEnd = link.find("://");
  if (schemeEnd == std::string_view::npos) return false;
  std::string_view scheme = link.substr(0, schemeEnd);
  if (!EqualsIgnoringAsciiCase(scheme, "http") && !EqualsIgnoringAsciiCase(scheme, "https")) {
    return false;
  }
  std::string_view authority = link.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  std::size_t at = authority.rfind('@');
  std::string_view hostAndPort =
      at == std::string_view::npos ? authority : authority.substr(at + 1);
  if (hostAndPort.empty()) return false;
  // A bracketed IPv6 literal holds colons of its own; otherwise a colon starts the port.
  if (hostAndPort.front() == '[') return hostAndPort.size() > 2;
  return hostAndPort.front() != ':';
}

std::string UpdatePromptText(std::string_view version) {
  std::string text = "A new version (";
  text += version;
  text +=
      ") is available!\n\nClick Yes to download the update, No to skip this version, or "
      "Cancel to decide later.";
  return text;
}

}  // namespace tarquel
