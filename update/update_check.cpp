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

// This computer: nobody else on the network can answer there.
bool IsLoopbackHost(std::string_view host) {
  if (host == "localhost" || host == "[::1]") return true;
  if (!host.starts_with("127.")) return false;
  int dots = 0;
  for (char c : host) {
    if (c == '.') {
      ++dots;
    } else if (c < '0' || c > '9') {
      return false;
    }
  }
  return dots == 3;
}

}  // namespace

bool IsUnderInvalidDomain(std::wstring_view host) {
  if (!host.empty() && host.back() == L'.') host.remove_suffix(1);  // fully qualified form
  constexpr std::string_view tld = "invalid";
  if (EqualsIgnoringAsciiCase(host, tld)) return true;
  return host.size() > tld.size() && host[host.size() - tld.size() - 1] == L'.' &&
         EqualsIgnoringAsciiCase(host.substr(host.size() - tld.size()), tld);
}

std::optional<std::string> DownloadHost(std::string_view link) {
  for (char c : link) {
    if (!IsAddressCharacter(c)) return std::nullopt;
  }
  std::size_t schemeEnd = link.find("://");
  if (schemeEnd == std::string_view::npos) return std::nullopt;
  std::string_view scheme = link.substr(0, schemeEnd);
  const bool https = EqualsIgnoringAsciiCase(scheme, "https");
  if (!https && !EqualsIgnoringAsciiCase(scheme, "http")) return std::nullopt;
  std::string_view authority = link.substr(schemeEnd + 3);
  authority = authority.substr(0, authority.find_first_of("/?#"));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  std::string_view host;
  if (!authority.empty() && authority.front() == '[') {
    // A bracketed IPv6 literal holds colons of its own.
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos || close < 2) return std::nullopt;
    host = authority.substr(0, close + 1);
  } else {
    host = authority.substr(0, authority.find(':'));
  }
  if (host.empty()) return std::nullopt;
  std::string lower;
  lower.reserve(host.size());
  for (char c : host) lower += LowerAscii(c);
  if (!https && !IsLoopbackHost(lower)) return std::nullopt;
  return lower;
}

bool IsOpenableLink(std::string_view link) {
  return DownloadHost(link).has_value();
}

std::string UpdatePromptText(std::string_view version, const std::optional<std::string>& host) {
  std::string text = "A new version (";
  text += version;
  text += ") is available!\n\n";
  if (!host) {
    text +=
        "Its download link is not a safe https address, so Tarquel does not open it. Get the "
        "new version where you got Tarquel.";
    return text;
  }
  text += "Click Yes to download the update from ";
  text += *host;
  text += ", No to skip this version, or Cancel to decide later.";
  return text;
}

}  // namespace tarquel
