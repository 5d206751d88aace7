#include "test_support.h"

#include <vector>

namespace vellum::testhost {

std::string Cp932(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int length = static_cast<int>(utf8.size());
    std::wstring wide(utf8.size(), L'\0');
    const int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), length, wide.data(), length);
    std::string bytes(utf8.size() * 2, '\0');
    const int size = WideCharToMultiByte(932, 0, wide.data(), units, bytes.data(), static_cast<int>(bytes.size()),
                                         nullptr, nullptr);
    bytes.resize(size > 0 ? static_cast<std::size_t>(size) : 0);
    return bytes;
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    static unsigned counter = 0;
    for (;;) {
        path_ = std::string(temp) + "vellum-host-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::string& folder) {
    // `folder` ends with its "\": testing its last byte for one would take the trail byte of
    // a Shift_JIS name such as ソ (0x83 0x5C) for a separator.
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA((folder + "*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(folder + name + "\\");
            } else {
                SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((folder + name).c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string& path, bool* ok) {
    if (ok != nullptr) *ok = false;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    if (ok != nullptr) *ok = true;
    return bytes;
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string ExeFolder() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::vector<char> text(static_cast<std::size_t>(length) + 2, '\0');
    const int read = GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return std::string(text.data(), read > 0 ? static_cast<std::size_t>(read) : 0);
}

}  // namespace vellum::testhost
