// Helpers of the substitute host's tests: texts in code page 932, scratch folders, files.
#pragma once
#include <windows.h>

#include <string>
#include <string_view>

namespace vellum::testhost {

// UTF-8 text in code page 932, through the system's own converters.
std::string Cp932(std::string_view utf8);

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& Path() const { return path_; }  // ends with "\"
private:
    std::string path_;
};

// Removes `folder` (ending with "\") and everything in it.
void RemoveTree(const std::string& folder);
bool WriteFileBytes(const std::string& path, std::string_view bytes);
// The whole file; "" with `ok` false when it cannot be read.
std::string ReadFileBytes(const std::string& path, bool* ok = nullptr);
bool FileExists(const std::string& path);

// The executable's own folder, ending with "\".
std::string ExeFolder();

// The text of a window, read with GetWindowTextA (code page 932).
std::string WindowText(HWND window);

}  // namespace vellum::testhost
