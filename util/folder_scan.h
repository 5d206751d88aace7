// Lists the message files (*.bmf) and index files (*.idx) of one host mail folder.
#pragma once
#include <string>
#include <vector>

namespace vellum {

// `folderPath` is used as given: the patterns are folderPath + "*.bmf" and folderPath + "*.idx",
// so the caller supplies the trailing separator. Every ".bmf" name comes before every ".idx" name;
// directories are left out; names carry no directory part.
std::vector<std::string> ListMailFolder(const std::string& folderPath);

}  // namespace vellum
