// The WinHTTP request of the update check. Wide strings on this side only: WinHTTP has no ANSI
// functions.
#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "update/update_check.h"
#include "update/update_check_win.h"
#include "update/update_url.h"
#include "update/version_file.h"

namespace tarquel {

namespace {

// Owns one WinHTTP handle. These are not kernel handles: only WinHttpCloseHandle closes them.
class WinHttpHandle {
 public:
  explicit WinHttpHandle(HINTERNET handle) : handle_(handle) {}
  ~WinHttpHandle() {
    if (handle_ != nullptr) WinHttpCloseHandle(handle_);
  }
  WinHttpHandle(const WinHttpHandle&) = delete;
  WinHttpHandle& operator=(const WinHttpHandle&) = delete;
  WinHttpHandle(WinHttpHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
  WinHttpHandle& operator=(WinHttpHandle&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }

  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

// The check runs before any window exists, so while it waits the user sees nothing at all. The
// platform's own time-outs add up to minutes (and some are infinite), and a server that sends
// one byte now and then would never run into any of them: one budget covers the whole request.
constexpr ULONGLONG CheckBudgetMs = 5000;

class Deadline {
 public:
  Deadline() : end_(GetTickCount64() + CheckBudgetMs) {}
  // Milliseconds left, 0 once the budget is spent.
  int Remaining() const {
    ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<int>(end_ - now);
  }

 private:
  ULONGLONG end_;
};

// Gives each blocking step that follows (name resolution, connecting, sending, waiting for the
// response headers, each read) no more than what is left of the budget. To WinHTTP a time-out
// of 0 means "wait forever", so a spent budget fails the step instead.
bool LimitToDeadline(HINTERNET request, const Deadline& deadline) {
  int left = deadline.Remaining();
  if (left <= 0) return false;
  if (!WinHttpSetTimeouts(request, left, left, left, left)) return false;
  DWORD headers = static_cast<DWORD>(left);
  return WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers,
                          sizeof headers) != FALSE;
}

// Reads until the end of the body, a failure or the deadline; what arrived until then counts.
// One byte past MaxVersionFileSize is enough to tell the parser the body is too big.
std::string ReadBody(HINTERNET request, const Deadline& deadline) {
  std::string body;
  char buffer[1024];
  while (body.size() <= MaxVersionFileSize) {
    if (!LimitToDeadline(request, deadline)) break;
    DWORD available = 0;
    if (!WinHttpQueryDataAvailable(request, &available) || available == 0) break;
    std::size_t wanted =
        std::min<std::size_t>({available, sizeof buffer, MaxVersionFileSize + 1 - body.size()});
    DWORD read = 0;
    if (!WinHttpReadData(request, buffer, static_cast<DWORD>(wanted), &read) || read == 0) break;
    body.append(buffer, read);
  }
  return body;
}

}  // namespace

bool CheckForUpdateAt(std::wstring_view url, std::string& version, std::string& link) {
  Deadline deadline;
  WinHttpHandle session(WinHttpOpen(L"Tarquel/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return false;

  std::wstring address(url);
  wchar_t host[256] = {};
  wchar_t path[1024] = {};
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszHostName = host;
  parts.dwHostNameLength = static_cast<DWORD>(std::size(host));
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = static_cast<DWORD>(std::size(path));
  if (!WinHttpCrackUrl(address.c_str(), static_cast<DWORD>(address.size()), 0, &parts)) {
    return false;
  }
  if (IsUnderInvalidDomain(host)) return false;

  WinHttpHandle connection(WinHttpConnect(session.Get(), host, parts.nPort, 0));
  if (!connection) return false;
  // The address's own scheme decides: https gets TLS, http (a test server on loopback) not.
  DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  WinHttpHandle request(WinHttpOpenRequest(connection.Get(), L"GET", path, nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                           secure));
  if (!request) return false;

  if (!LimitToDeadline(request.Get(), deadline) ||
      !WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, 0) ||
      !LimitToDeadline(request.Get(), deadline) ||
      !WinHttpReceiveResponse(request.Get(), nullptr)) {
    return false;
  }

  DWORD status = 0;
  DWORD statusSize = sizeof status;
  WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
  if (status != 200) return false;

  VersionFile file = ParseVersionFile(ReadBody(request.Get(), deadline));
  if (!file.hasLineFeed) return false;
  version = file.version;
  link = file.link;
  if (file.isNew) {
    OutputDebugStringA(("[UpdateChecker] New version available: " + file.version + "\n").c_str());
  }
  return file.isNew;
}

bool CheckForUpdate(std::string& version, std::string& link) {
  return CheckForUpdateAt(VersionFileUrl, version, link);
}

}  // namespace tarquel
