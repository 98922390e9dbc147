// The update check's real WinHTTP request, run under Wine against a small HTTP server of the
// test's own on loopback. Windows only: on other hosts there is no WinHTTP to test.
#ifdef _WIN32

#include <winsock2.h>
#include <ws2tcpip.h>

#include "update/update_check_win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "update/program_version.h"
#include "update/version_file.h"

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

using namespace std::chrono_literals;

constexpr auto GenerousWait = 60s;

// Serves one connection at a time on 127.0.0.1 and a port the system picks. The handler gets
// the connection once the request's headers have arrived, and answers however the test likes.
class LoopbackServer {
 public:
  using Handler = std::function<void(LoopbackServer&, SOCKET)>;

  explicit LoopbackServer(Handler handler) : handler_(std::move(handler)) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }

  ~LoopbackServer() {
    stopping_ = true;
    thread_.join();
    closesocket(listener_);
    WSACleanup();
  }

  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  std::wstring Url() const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/version.txt";
  }
  bool Stopping() const { return stopping_; }

  std::string Request() {
    std::lock_guard lock(mutex_);
    return request_;
  }

  // What the handler saw of the client, for the test to wait on.
  void Note(std::string event) {
    {
      std::lock_guard lock(mutex_);
      events_ += event + ";";
    }
    changed_.notify_all();
  }
  bool WaitForNote(const std::string& event) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, GenerousWait,
                             [&] { return events_.find(event + ";") != std::string::npos; });
  }

 private:
  // Polls so that the destructor can end the thread without closing sockets under its feet.
  static bool Readable(SOCKET socket) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, 50 * 1000};
    return select(0, &set, nullptr, nullptr, &wait) > 0;
  }

  void Serve() {
    while (!stopping_) {
      if (!Readable(listener_)) continue;
      SOCKET connection = accept(listener_, nullptr, nullptr);
      if (connection == INVALID_SOCKET) continue;
      std::string request;
      char buffer[4096];
      while (!stopping_ && request.find("\r\n\r\n") == std::string::npos) {
        if (!Readable(connection)) continue;
        int got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      {
        std::lock_guard lock(mutex_);
        request_ = request;
      }
      if (request.find("\r\n\r\n") != std::string::npos) handler_(*this, connection);
      closesocket(connection);
    }
  }

  Handler handler_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string request_;
  std::string events_;
  std::thread thread_;
};

bool SendAll(SOCKET connection, std::string_view bytes) {
  while (!bytes.empty()) {
    int sent = send(connection, bytes.data(), static_cast<int>(bytes.size()), 0);
    if (sent <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(sent));
  }
  return true;
}

std::string Response(int status, std::string_view body) {
  return "HTTP/1.1 " + std::to_string(status) + " Whatever\r\nContent-Type: text/plain\r\n" +
         "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
         std::string(body);
}

LoopbackServer::Handler Answer(int status, std::string body) {
  return [status, body](LoopbackServer&, SOCKET connection) {
    SendAll(connection, Response(status, body));
  };
}

// The outputs start with something the check never writes, so that "untouched" can be seen.
struct Outputs {
  std::string version = "untouched";
  std::string link = "untouched";
};

TEST(CheckForUpdateAt, OffersAnotherPublishedVersionWithItsLink) {
  LoopbackServer server(Answer(200, "9.0.1\r\nhttps://example.org/get\r\n"));
  Outputs out;
  EXPECT_TRUE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "9.0.1");
  EXPECT_EQ(out.link, "https://example.org/get");
  std::string request = server.Request();
  EXPECT_EQ(request.rfind("GET /version.txt HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_NE(request.find("\r\nUser-Agent: Tarquel/" + std::string(ProgramVersion) + "\r\n"),
            std::string::npos)
      << request;
}

TEST(CheckForUpdateAt, ReadsButDoesNotOfferOurOwnVersion) {
  const std::string own(ProgramVersion);
  LoopbackServer server(Answer(200, own + "\r\nhttps://example.org/get\r\n"));
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, own);
  EXPECT_EQ(out.link, "https://example.org/get");
}

TEST(CheckForUpdateAt, LeavesTheOutputsAloneWhenTheStatusIsNotOk) {
  for (int status : {404, 500, 204}) {
    LoopbackServer server(Answer(status, "9.0.1\nhttps://example.org/get\n"));
    Outputs out;
    EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link)) << status;
    EXPECT_EQ(out.version, "untouched") << status;
    EXPECT_EQ(out.link, "untouched") << status;
  }
}

TEST(CheckForUpdateAt, LeavesTheOutputsAloneWhenTheBodyHoldsNoLineFeed) {
  LoopbackServer server(Answer(200, "9.0.1"));
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "untouched");
}

TEST(CheckForUpdateAt, JoinsABodyThatArrivesInManyPieces) {
  std::string link = "https://example.org/" + std::string(5000, 'a');
  LoopbackServer server([link](LoopbackServer&, SOCKET connection) {
    std::string body = "9.0.1\n" + link + "\r\n";
    std::string response = Response(200, body);
    for (std::size_t at = 0; at < response.size(); at += 700) {
      if (!SendAll(connection, std::string_view(response).substr(at, 700))) return;
      std::this_thread::sleep_for(5ms);  // separate pieces, not one read
    }
  });
  Outputs out;
  EXPECT_TRUE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "9.0.1");
  EXPECT_EQ(out.link, link);
}

TEST(CheckForUpdateAt, StopsReadingABodyOverTheLimitAndOffersNothing) {
  LoopbackServer server([](LoopbackServer& self, SOCKET connection) {
    constexpr std::size_t size = 64 << 20;  // far more than the system buffers between us
    std::string piece(64 << 10, 'a');
    SendAll(connection, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(size) +
                            "\r\n\r\n9.0.1\nhttps://example.org/");
    for (std::size_t sent = 0; sent < size; sent += piece.size()) {
      if (!SendAll(connection, piece)) {
        self.Note("client closed");
        return;
      }
    }
  });
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "untouched");
  // The client hung up with most of the body unread.
  EXPECT_TRUE(server.WaitForNote("client closed"));
}

TEST(CheckForUpdateAt, GivesUpOnAServerThatNeverAnswers) {
  LoopbackServer server([](LoopbackServer& self, SOCKET connection) {
    char byte;
    while (!self.Stopping()) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(connection, &set);
      timeval wait{0, 50 * 1000};
      if (select(0, &set, nullptr, nullptr, &wait) > 0 && recv(connection, &byte, 1, 0) <= 0) {
        self.Note("client closed");
        return;
      }
    }
  });
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "untouched");
  EXPECT_TRUE(server.WaitForNote("client closed"));
}

TEST(CheckForUpdateAt, GivesUpOnAServerThatTricklesForeverAndReadsWhatCame) {
  // Every byte arrives well within any single time-out; only a bound on the whole check ends it.
  LoopbackServer server([](LoopbackServer& self, SOCKET connection) {
    if (!SendAll(connection,
                 "HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n9.0.1\nhttps://x/")) {
      return;
    }
    while (!self.Stopping()) {
      if (!SendAll(connection, "a")) {
        self.Note("client closed");
        return;
      }
      std::this_thread::sleep_for(100ms);
    }
  });
  Outputs out;
  EXPECT_TRUE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "9.0.1");
  EXPECT_EQ(out.link.rfind("https://x/a", 0), 0u) << out.link;
  EXPECT_TRUE(server.WaitForNote("client closed"));
}

TEST(FetchVersionFile, EndsAtOnceWhenStopped) {
  LoopbackServer server([](LoopbackServer& self, SOCKET connection) {
    self.Note("asked");
    char byte;
    while (!self.Stopping()) {
      fd_set set;
      FD_ZERO(&set);
      FD_SET(connection, &set);
      timeval wait{0, 50 * 1000};
      if (select(0, &set, nullptr, nullptr, &wait) > 0 && recv(connection, &byte, 1, 0) <= 0) {
        self.Note("client closed");
        return;
      }
    }
  });
  HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(stop, nullptr);
  std::thread quitting([&] {
    server.WaitForNote("asked");
    SetEvent(stop);
  });
  VersionFileAnswer answer = FetchVersionFile(server.Url(), stop);
  quitting.join();
  CloseHandle(stop);
  EXPECT_FALSE(answer.reachedServer);
  EXPECT_FALSE(answer.read);
  EXPECT_TRUE(server.WaitForNote("client closed"));
}

TEST(FetchVersionFile, SaysTheServerWasReachedWhateverItsStatus) {
  for (int status : {200, 404, 500}) {
    LoopbackServer server(Answer(status, "<html>error</html>"));
    VersionFileAnswer answer = FetchVersionFile(server.Url());
    EXPECT_TRUE(answer.reachedServer) << status;
    EXPECT_EQ(answer.read, status == 200) << status;
    EXPECT_FALSE(answer.file.isNew) << status;
  }
}

TEST(CheckForUpdateAt, OffersNothingForAnOlderVersion) {
  LoopbackServer server(Answer(200, "0.9.0\r\nhttps://example.org/get\r\n"));
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(server.Url(), out.version, out.link));
  EXPECT_EQ(out.version, "0.9.0");
}

TEST(CheckForUpdateAt, FailsSilentlyWhenNothingListens) {
  std::wstring url;
  {
    LoopbackServer closed(Answer(200, "9.0.1\n"));
    url = closed.Url();
  }
  Outputs out;
  EXPECT_FALSE(CheckForUpdateAt(url, out.version, out.link));
  EXPECT_EQ(out.version, "untouched");
}

TEST(CheckForUpdateAt, RefusesAddressesThatAreNoWebAddress) {
  for (const wchar_t* url : {L"", L"version.txt", L"ftp://127.0.0.1/version.txt"}) {
    Outputs out;
    EXPECT_FALSE(CheckForUpdateAt(url, out.version, out.link));
    EXPECT_EQ(out.version, "untouched");
  }
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel

#endif  // _WIN32
