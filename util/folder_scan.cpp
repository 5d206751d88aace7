#include "util/folder_scan.h"

#include "platform/platform.h"

namespace vellum {

std::vector<std::string> ListMailFolder(const std::string& folderPath) {
    std::vector<std::string> names;
    for (const char* extension : {"bmf", "idx"}) {
        for (platform::FoundFile& found : platform::FindFiles(folderPath, extension)) {
            if (!found.isDirectory) names.push_back(std::move(found.name));
        }
    }
    return names;
}

}  // namespace vellum
