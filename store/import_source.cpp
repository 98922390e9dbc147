#include "store/import_source.h"

#include <algorithm>
#include <system_error>

namespace tarquel {

namespace {

std::string Shown(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

bool IsEspansoFile(const std::filesystem::path& path) {
  std::string extension = Shown(path.extension());
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c | 0x20); });
  return extension == ".yml" || extension == ".yaml";
}

// Why `read` gave no bytes, or nothing when it did.
std::string ReadProblem(const FileRead& read, const std::filesystem::path& path) {
  switch (read.status) {
    case FileRead::Status::Read:
      return {};
    case FileRead::Status::Missing:
      return "There is no file or folder " + Shown(path) + ".";
    case FileRead::Status::Unopened:
      return Shown(path) + " cannot be opened: another program holds it, or access is refused.";
    case FileRead::Status::TooLarge:
      return Shown(path) + " is too large to be a file of snippets.";
    case FileRead::Status::Failed:
      return "Reading " + Shown(path) + " failed part-way.";
  }
  return "Reading " + Shown(path) + " failed.";
}

}  // namespace

ImportSource ReadImportSource(const std::filesystem::path& path, const FileReader& read) {
  ImportSource source;
  std::error_code error;
  if (!std::filesystem::is_directory(path, error)) {
    FileRead file = read(path, MaxImportFileSize);
    source.error = ReadProblem(file, path);
    if (source.error.empty()) source.files.push_back({Shown(path), std::move(file.bytes)});
    return source;
  }
  std::vector<std::filesystem::path> found;
  // A package folder the user cannot open is passed over, as espanso itself would.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path, std::filesystem::directory_options::skip_permission_denied, error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    std::error_code kindError;
    if (it->is_regular_file(kindError) && IsEspansoFile(it->path())) found.push_back(it->path());
  }
  if (error) {
    source.error = "The folder " + Shown(path) + " cannot be read: " + error.message() + ".";
    return source;
  }
  if (found.empty()) {
    source.error = "There are no espanso match files (.yml) in " + Shown(path) + ".";
    return source;
  }
  std::sort(found.begin(), found.end());
  std::size_t total = 0;
  for (const std::filesystem::path& file : found) {
    FileRead one = read(file, MaxImportFileSize);
    std::string problem = ReadProblem(one, file);
    total += one.bytes.size();
    if (problem.empty() && total > MaxImportFolderSize) {
      problem = Shown(path) + " holds too much to be a folder of snippets.";
    }
    if (!problem.empty()) {
      // Half a folder would import as if the rest did not exist.
      source.files.clear();
      source.error = std::move(problem);
      return source;
    }
    source.files.push_back({Shown(file), std::move(one.bytes)});
  }
  return source;
}

}  // namespace tarquel
