#include "settings/settings_store.h"

#include "platform/platform.h"

namespace vellum {
namespace {
constexpr const char* kSection = "OutputPath";
constexpr const char* kKey = "Default";
}  // namespace

std::string LoadOutputFolderFrom(const std::string& settingsFile) {
    std::string stored = platform::ReadProfileString(settingsFile, kSection, kKey);
    if (!stored.empty()) return stored;
    return platform::DesktopFolder();  // as the platform gives it; nothing appended
}

bool SaveOutputFolderTo(const std::string& settingsFile, const std::string& folder) {
    return platform::WriteProfileString(settingsFile, kSection, kKey, folder);
}

std::string LoadOutputFolder() { return LoadOutputFolderFrom(platform::SettingsFilePath()); }

bool SaveOutputFolder(const std::string& folder) { return SaveOutputFolderTo(platform::SettingsFilePath(), folder); }

}  // namespace vellum
