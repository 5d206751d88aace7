// The conversion command: the host's two folder strings become the run's paths, then one run.
#include <string>

#include "convert/conversion_run.h"
#include "plugin/plugin_logic.h"
#include "settings/settings_store.h"

namespace vellum::plugin {

int logic::ConvertCurrentFolder() {
    // A failed binding may have left these slots empty: that is a host without folders.
    const GetFolderEntry getDataFolder = host->GetDataFolder();
    const GetFolderEntry getCurrentFolder = host->GetCurrentFolder();
    if (getDataFolder == nullptr || getCurrentFolder == nullptr) return 1;

    // The host keeps its strings; we copy each at once. A copy that cannot be made throws, and
    // the command callback turns that into 1 as well.
    const char* hostDataFolder = getDataFolder();
    if (hostDataFolder == nullptr) return 1;
    const std::string dataFolder = hostDataFolder;
    const char* hostCurrentFolder = getCurrentFolder();
    if (hostCurrentFolder == nullptr) return 1;
    const std::string currentFolder = hostCurrentFolder;

    currentFolderPath = JoinFolderPath(dataFolder, currentFolder);
    outputFileName = OutputFileNameFor(currentFolderPath);
    // Loaded once per process: after that only the dialog's OK changes it.
    if (outputFolder.empty()) outputFolder = LoadOutputFolder();
    ConversionRun();  // reports to the user itself
    return 0;
}

}  // namespace vellum::plugin
