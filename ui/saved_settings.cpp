#include "ui/saved_settings.h"

#include <utility>

namespace tarquel {

SavedSettings::SavedSettings(std::filesystem::path file, BackgroundSaves& saves)
    : file_(std::move(file)), saves_(saves), settings_(LoadSettings(file_)) {}

void SavedSettings::Save(std::string whatFailed) {
  saves_.Submit(
      SettingsFileName,
      [file = file_, snapshot = settings_, whatFailed = std::move(whatFailed)]() -> std::string {
        const SaveResult saved = SaveSettings(file, snapshot);
        if (saved || whatFailed.empty()) return {};
        return whatFailed + "\n\n" + saved.error;
      });
}

}  // namespace tarquel
