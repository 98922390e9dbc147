#include "update/version_file.h"

#include "update/program_version.h"
#include "update/version_number.h"

namespace tarquel {

VersionFile ParseVersionFile(std::string_view body) {
  VersionFile file;
  if (body.size() > MaxVersionFileSize) return file;
  // Whatever follows a zero byte is not text; cutting there, once for the whole body, gives the
  // same result however the network happened to split the body into reads.
  body = body.substr(0, body.find('\0'));

  std::size_t lineFeed = body.find('\n');
  if (lineFeed == std::string_view::npos) return file;
  file.hasLineFeed = true;

  std::string_view version = body.substr(0, lineFeed);
  if (!version.empty() && version.back() == '\r') version.remove_suffix(1);
  file.version = version;

  std::string_view link = body.substr(lineFeed + 1);
  while (!link.empty() && (link.back() == '\r' || link.back() == '\n' || link.back() == ' ')) {
    link.remove_suffix(1);
  }
  file.link = link;

  file.isNew = IsNewerVersion(file.version, ProgramVersion);
  return file;
}

}  // namespace tarquel
