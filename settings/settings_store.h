// The one persisted setting: the output folder, in "VellumText.ini", section "OutputPath",
// key "Default". Without a stored value the output folder is the user's desktop.
#pragma once
#include <string>

namespace vellum {

// The stored output folder, or the desktop folder's path when none is stored (or it is empty).
std::string LoadOutputFolder();
// Stores `folder` (an empty text is stored as an empty value). The outcome is not examined by
// the plug-in's dialog; the command line reports it.
bool SaveOutputFolder(const std::string& folder);

// The same on an explicit settings file, so that tests need no global location.
std::string LoadOutputFolderFrom(const std::string& settingsFile);
bool SaveOutputFolderTo(const std::string& settingsFile, const std::string& folder);

}  // namespace vellum
