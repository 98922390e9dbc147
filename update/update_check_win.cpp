// The WinHTTP request of the update check. Wide strings on this side only: WinHTTP has no ANSI
// functions. Asynchronous mode: closing the request handle is the documented way to end a
// request that is under way, and only in that mode, so that a deadline and quitting can end it
// whatever phase it is in.
#include <windows.h>

#include <winhttp.h>

#include <algorithm>
#include <iterator>
#include <memory>
#include <string>
#include <utility>

#include "update/project_version.h"
#include "update/update_check.h"
#include "update/update_check_win.h"
#include "update/version_file.h"
#include "util/unique_handle.h"

namespace tarquel {

namespace {

// These are not kernel handles: only WinHttpCloseHandle closes them.
struct WinHttpDeleter {
  void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using WinHttpHandle = UniqueHandle<HINTERNET, WinHttpDeleter>;

struct KernelHandleDeleter {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueEvent = UniqueHandle<HANDLE, KernelHandleDeleter>;

struct GlobalDeleter {
  void operator()(LPWSTR text) const { GlobalFree(text); }
};
using GlobalText = UniqueHandle<LPWSTR, GlobalDeleter>;

// One budget for the whole check. Nobody waits for it any more (it runs in the background),
// but a server that sends one byte now and then must not keep a connection and a thread for
// ever, and the platform's own time-outs add up to minutes, some of them infinite.
constexpr ULONGLONG CheckBudgetMs = 5000;
// After the request handle is closed, WinHTTP still calls back once to say it has let go. Wine
// lets go only when the step under way ends by its own time-out; past this wait the state is
// left to it rather than hold up quitting.
constexpr DWORD CloseWaitMs = 1000;

class Deadline {
 public:
  Deadline() : end_(GetTickCount64() + CheckBudgetMs) {}
  // Milliseconds left, 0 once the budget is spent.
  DWORD Remaining() const {
    ULONGLONG now = GetTickCount64();
    return now >= end_ ? 0 : static_cast<DWORD>(end_ - now);
  }

 private:
  ULONGLONG end_;
};

// What the status callback passes to the thread that waits. Lives on the heap until WinHTTP
// has said it is done with the request handle, since callbacks come on WinHTTP's threads.
struct RequestState {
  UniqueEvent stepDone{CreateEventW(nullptr, FALSE, FALSE, nullptr)};
  UniqueEvent closed{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  DWORD completed = 0;  // the callback status of the step that ended
  DWORD bytes = 0;
  char buffer[4096];
};

void CALLBACK OnRequestStatus(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                              DWORD infoLength) {
  auto* state = reinterpret_cast<RequestState*>(context);
  if (state == nullptr) return;
  switch (status) {
    case WINHTTP_CALLBACK_STATUS_HANDLE_CLOSING:
      SetEvent(state->closed.get());
      return;
    case WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE:
      state->bytes = info != nullptr ? *static_cast<DWORD*>(info) : 0;
      break;
    case WINHTTP_CALLBACK_STATUS_READ_COMPLETE:
      state->bytes = infoLength;
      break;
    case WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE:
    case WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE:
    case WINHTTP_CALLBACK_STATUS_REQUEST_ERROR:
      break;
    default:
      return;
  }
  state->completed = status;
  SetEvent(state->stepDone.get());
}

// Owns the request handle and its state: closes the handle and keeps the state alive until
// WinHTTP says it is done with it.
class AsyncRequest {
 public:
  AsyncRequest(HINTERNET request, HANDLE stop)
      : request_(request), stop_(stop), state_(std::make_unique<RequestState>()) {}
  ~AsyncRequest() {
    if (request_ == nullptr) return;
    WinHttpCloseHandle(request_);
    if (!hooked_) return;
    // Should WinHTTP never confirm, the state must outlive any late callback: leak it.
    if (WaitForSingleObject(state_->closed.get(), CloseWaitMs) != WAIT_OBJECT_0) {
      static_cast<void>(state_.release());
    }
  }
  AsyncRequest(const AsyncRequest&) = delete;
  AsyncRequest& operator=(const AsyncRequest&) = delete;

  HINTERNET Get() const { return request_; }
  RequestState& State() { return *state_; }
  // WinHttpSendRequest sets the context anew from its own argument.
  DWORD_PTR Context() const { return reinterpret_cast<DWORD_PTR>(state_.get()); }

  bool Hook() {
    if (!state_->stepDone || !state_->closed) return false;
    DWORD_PTR context = reinterpret_cast<DWORD_PTR>(state_.get());
    if (!WinHttpSetOption(request_, WINHTTP_OPTION_CONTEXT_VALUE, &context, sizeof context)) {
      return false;
    }
    constexpr DWORD flags = WINHTTP_CALLBACK_FLAG_ALL_COMPLETIONS | WINHTTP_CALLBACK_FLAG_HANDLES;
    if (WinHttpSetStatusCallback(request_, OnRequestStatus, flags, 0) ==
        WINHTTP_INVALID_STATUS_CALLBACK) {
      return false;
    }
    hooked_ = true;
    return true;
  }

  // Waits for the step just begun to end with `expected`; false on an error, the deadline or
  // a stop.
  bool Await(DWORD expected, const Deadline& deadline) {
    HANDLE events[2] = {state_->stepDone.get(), stop_};
    const DWORD count = stop_ != nullptr ? 2 : 1;
    const DWORD left = deadline.Remaining();
    if (left == 0) return false;
    if (WaitForMultipleObjects(count, events, FALSE, left) != WAIT_OBJECT_0) return false;
    return state_->completed == expected;
  }

 private:
  HINTERNET request_;
  HANDLE stop_;
  std::unique_ptr<RequestState> state_;
  bool hooked_ = false;
};

// Windows 8.1 and later find the proxy themselves (auto-detection, the user's PAC script or
// configured proxy). Before that the session has no proxy and the request is given the one the
// user's settings name.
WinHttpHandle OpenSession(bool& automaticProxy) {
  automaticProxy = true;
  WinHttpHandle session(WinHttpOpen(UpdateUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                    WINHTTP_FLAG_ASYNC));
  if (session) return session;
  automaticProxy = false;
  return WinHttpHandle(WinHttpOpen(UpdateUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                   WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS,
                                   WINHTTP_FLAG_ASYNC));
}

// The user's own proxy settings for systems without automatic proxy: a PAC script or
// auto-detection first, then a proxy named by hand. Without either the machine's default
// (netsh) proxy of the session stays.
void UseUserProxy(HINTERNET request, const std::wstring& url, const Deadline& deadline) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&user)) return;
  GlobalText autoConfigUrl(user.lpszAutoConfigUrl);
  GlobalText proxy(user.lpszProxy);
  GlobalText bypass(user.lpszProxyBypass);

  if (user.fAutoDetect || autoConfigUrl) {
    // A session of its own: finding the proxy is synchronous, bounded by what is left.
    WinHttpHandle resolver(WinHttpOpen(UpdateUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    const int left = static_cast<int>(deadline.Remaining());
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (user.fAutoDetect) {
      options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
      options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    if (autoConfigUrl) {
      options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
      options.lpszAutoConfigUrl = autoConfigUrl.get();
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO found{};
    if (resolver && left > 0 && WinHttpSetTimeouts(resolver.get(), left, left, left, left) &&
        WinHttpGetProxyForUrl(resolver.get(), url.c_str(), &options, &found)) {
      GlobalText foundProxy(found.lpszProxy);
      GlobalText foundBypass(found.lpszProxyBypass);
      WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &found, sizeof found);
      return;
    }
  }
  if (proxy) {
    WINHTTP_PROXY_INFO named{};
    named.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    named.lpszProxy = proxy.get();
    named.lpszProxyBypass = bypass.get();
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof named);
  }
}

// Reads until the end of the body, a failure, the deadline or a stop; what arrived until then
// counts. One byte past MaxVersionFileSize is enough to tell the parser the body is too big.
std::string ReadBody(AsyncRequest& request, const Deadline& deadline) {
  std::string body;
  RequestState& state = request.State();
  while (body.size() <= MaxVersionFileSize) {
    if (!WinHttpQueryDataAvailable(request.Get(), nullptr) ||
        !request.Await(WINHTTP_CALLBACK_STATUS_DATA_AVAILABLE, deadline) || state.bytes == 0) {
      break;
    }
    std::size_t wanted = std::min<std::size_t>(
        {state.bytes, sizeof state.buffer, MaxVersionFileSize + 1 - body.size()});
    if (!WinHttpReadData(request.Get(), state.buffer, static_cast<DWORD>(wanted), nullptr) ||
        !request.Await(WINHTTP_CALLBACK_STATUS_READ_COMPLETE, deadline) || state.bytes == 0) {
      break;
    }
    body.append(state.buffer, std::min<std::size_t>(state.bytes, wanted));
  }
  return body;
}

}  // namespace

VersionFileAnswer FetchVersionFile(std::wstring_view url, HANDLE stop) {
  VersionFileAnswer answer;
  Deadline deadline;
  bool automaticProxy = false;
  WinHttpHandle session = OpenSession(automaticProxy);
  if (!session) return answer;

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
    return answer;
  }
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
    return answer;
  }
  if (IsUnderInvalidDomain(host)) return answer;

  WinHttpHandle connection(WinHttpConnect(session.get(), host, parts.nPort, 0));
  if (!connection) return answer;
  // The address's own scheme decides: https gets TLS, http (a test server on loopback) not.
  DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  // Declared after the session and the connection: closed, and waited for, before them.
  AsyncRequest request(WinHttpOpenRequest(connection.get(), L"GET", path, nullptr,
                                          WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure),
                       stop);
  if (request.Get() == nullptr || !request.Hook()) return answer;
  if (!automaticProxy) UseUserProxy(request.Get(), address, deadline);
  // The platform's own limits too, none longer than what is left, so that a step WinHTTP does
  // not end when its handle closes (Wine's) still ends soon after.
  const int left = static_cast<int>(deadline.Remaining());
  DWORD headers = static_cast<DWORD>(left);
  if (left <= 0 || !WinHttpSetTimeouts(request.Get(), left, left, left, left) ||
      !WinHttpSetOption(request.Get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers,
                        sizeof headers)) {
    return answer;
  }

  if (!WinHttpSendRequest(request.Get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                          0, 0, request.Context()) ||
      !request.Await(WINHTTP_CALLBACK_STATUS_SENDREQUEST_COMPLETE, deadline) ||
      !WinHttpReceiveResponse(request.Get(), nullptr) ||
      !request.Await(WINHTTP_CALLBACK_STATUS_HEADERS_AVAILABLE, deadline)) {
    return answer;
  }
  answer.reachedServer = true;

  DWORD status = 0;
  DWORD statusSize = sizeof status;
  WinHttpQueryHeaders(request.Get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                      WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize, WINHTTP_NO_HEADER_INDEX);
  if (status != 200) return answer;

  answer.read = true;
  answer.file = ParseVersionFile(ReadBody(request, deadline));
  return answer;
}

bool CheckForUpdateAt(std::wstring_view url, std::string& version, std::string& link) {
  VersionFileAnswer answer = FetchVersionFile(url);
  if (!answer.read || !answer.file.hasLineFeed) return false;
  version = answer.file.version;
  link = answer.file.link;
  return answer.file.isNew;
}

}  // namespace tarquel
