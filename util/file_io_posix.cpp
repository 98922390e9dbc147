// POSIX flavour of the file helpers; the Windows build uses file_io_win.cpp.
#include "util/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarquel {

namespace {

std::string Describe(const char* what, int error) {
  return std::string(what) + ": " + std::strerror(error);
}

}  // namespace

SaveResult WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes,
                               const std::function<SaveResult()>& beforeReplace) {
  std::filesystem::path temp = path;
  temp += ".tmp";
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return SaveResult::Failure(Describe("cannot create temporary file", errno));

  const char* data = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t written = ::write(fd, data, left);
    if (written < 0) {
      if (errno == EINTR) continue;
      int error = errno;
      ::close(fd);
      ::unlink(temp.c_str());
      return SaveResult::Failure(Describe("cannot write", error));
    }
    data += written;
    left -= static_cast<std::size_t>(written);
  }
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return SaveResult::Failure(Describe("cannot flush", error));
  }
  if (beforeReplace) {
    if (SaveResult ready = beforeReplace(); !ready) {
      ::unlink(temp.c_str());
      return ready;
    }
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    return SaveResult::Failure(Describe("cannot replace the file", error));
  }
  return {};
}

}  // namespace tarquel
