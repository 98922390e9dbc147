#include "settings/data_folder.h"

#include <optional>

namespace tarquel {

namespace {

std::filesystem::path PathOfUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string Utf8OfPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

std::filesystem::path DataFolderOf(const Settings& settings,
                                   const std::filesystem::path& programFolder) {
  const std::optional<std::string> value = SettingsValue(settings, DataFolderKey);
  if (!value || value->empty()) return programFolder;
  const std::filesystem::path folder = PathOfUtf8(*value);
  return (folder.is_absolute() ? folder : programFolder / folder).lexically_normal();
}

std::string DataFolderValue(const std::filesystem::path& folder,
                            const std::filesystem::path& programFolder) {
  const std::filesystem::path chosen = folder.lexically_normal();
  if (chosen == programFolder.lexically_normal()) return {};
  return Utf8OfPath(chosen);
}

}  // namespace tarquel
