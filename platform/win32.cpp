// The platform layer on the real Windows API, ANSI variants throughout: paths are byte strings in
// the ANSI code page (Shift_JIS, code page 932, on the systems the plug-in serves).
#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <climits>
#include <cstring>
#include <iterator>

// <windows.h> maps this name to the win.ini function WriteProfileStringA; ours is another one.
#undef WriteProfileString

#include "decode/charset.h"
#include "decode/codepage.h"
#include "platform/platform.h"

namespace vellum::platform {
namespace {

constexpr UINT kUtf8 = 65001;      // CP_UTF8
constexpr UINT kAnsi = 0;          // CP_ACP
constexpr UINT kThreadAnsi = 3;    // CP_THREAD_ACP

// MultiByteToWideChar with an explicit length into `room` units at `wide`, which must be enough
// (no code page gives more units than bytes): a zero byte is converted like any other instead of
// ending the text. Returns the units written, 0 when nothing could be converted.
std::size_t ToWideIn(UINT codePage, std::string_view bytes, char16_t* wide, std::size_t room) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX) || room > static_cast<std::size_t>(INT_MAX))
        return 0;
    // wchar_t and char16_t are both UTF-16 code units on Windows.
    const int written = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                            reinterpret_cast<LPWSTR>(wide), static_cast<int>(room));
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

// The size is asked first, then the text converted in place.
std::u16string ToWide(UINT codePage, std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX)) return {};
    const int length = static_cast<int>(bytes.size());
    const int units = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    if (units <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    wide.resize(ToWideIn(codePage, bytes, wide.data(), wide.size()));
    return wide;
}

// WideCharToMultiByte written over `bytes`, whose room is kept for the next text.
void FromWideInto(UINT codePage, std::u16string_view text, std::string& bytes) {
    bytes.clear();
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return;
    const auto* units = reinterpret_cast<LPCWCH>(text.data());
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, 0, units, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    bytes.resize(static_cast<std::size_t>(size));
    const int written = WideCharToMultiByte(codePage, 0, units, length, bytes.data(), size, nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
}

std::string FromWide(UINT codePage, std::u16string_view text) {
    std::string bytes;
    FromWideInto(codePage, text, bytes);
    return bytes;
}

// The ANSI APIs take NUL-terminated paths: a path holding a zero byte would silently name another
// file, so such a path names nothing.
bool Usable(const std::string& path) { return !path.empty() && path.find('\0') == std::string::npos; }

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Length of the character at `i`: two bytes for a lead byte of the ANSI code page that has a
// trail byte after it, else one. A Shift_JIS trail byte may be 0x5C, which is then no "\".
std::size_t CharLength(std::string_view text, std::size_t i) {
    return i + 1 < text.size() && IsDBCSLeadByteEx(CP_ACP, static_cast<BYTE>(text[i])) ? 2 : 1;
}

// Position just after the last single-byte "\" or "/", or 0 when there is none.
std::size_t DirectoryLength(std::string_view path) {
    std::size_t length = 0;
    for (std::size_t i = 0; i < path.size(); i += CharLength(path, i)) {
        if (CharLength(path, i) == 1 && IsSeparator(path[i])) length = i + 1;
    }
    return length;
}

}  // namespace

std::u16string Utf8ToWide(std::string_view bytes) {
    // A sequence cut short by the end of the input gives one U+FFFD for the bytes it took, and
    // decoding goes on after them; Wine instead drops the rest of the input. The portable
    // converter, which equals the API everywhere else, keeps such text the same under both.
    if (codepage::Utf8EndsInCutSequence(bytes)) return codepage::Utf8ToWide(bytes);
    return ToWide(kUtf8, bytes);
}
std::u16string AnsiToWide(std::string_view bytes) { return ToWide(kAnsi, bytes); }
std::string WideToThreadAnsi(std::u16string_view text) { return FromWide(kThreadAnsi, text); }
bool AnsiCodePagesAre932() {
    static const bool ansiIs932 = GetACP() == 932;  // fixed for the life of the process
    // Asked for every message: the thread's answer is kept until its locale changes.
    thread_local LCID knownLocale = 0;
    thread_local bool threadIs932 = false;
    if (const LCID locale = GetThreadLocale(); locale != knownLocale) {
        DWORD codePage = 0;
        threadIs932 = GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                     reinterpret_cast<LPWSTR>(&codePage), sizeof codePage / sizeof(WCHAR)) != 0 &&
                      codePage == 932;
        knownLocale = locale;
    }
    return ansiIs932 && threadIs932;
}
std::uint32_t CurrentThreadLocale() { return GetThreadLocale(); }
void UseThreadLocale(std::uint32_t locale) { SetThreadLocale(locale); }
void AnsiToUtf8(std::string_view bytes, std::string& out) {
    // Every body line comes this way: lines of ordinary length keep their UTF-16 form on the
    // stack (a byte gives at most one unit) rather than on the process heap, which the run's
    // threads would otherwise take turns to lock.
    char16_t stack[1024];
    if (bytes.size() <= std::size(stack)) {
        AppendUtf8(out, std::u16string_view(stack, ToWideIn(kAnsi, bytes, stack, std::size(stack))));
        return;
    }
    AppendUtf8(out, ToWide(kAnsi, bytes));
}

void Utf8ToThreadAnsi(std::string_view bytes, std::string& out) {
    // Lines of ordinary length keep their UTF-16 form on the stack: UTF-8 gives at most one
    // unit per byte. Text cut inside a sequence goes the portable way, as in Utf8ToWide.
    char16_t stack[1024];
    std::u16string heap;
    std::u16string_view wide;
    if (bytes.size() <= std::size(stack) && !codepage::Utf8EndsInCutSequence(bytes)) {
        wide = std::u16string_view(stack, ToWideIn(kUtf8, bytes, stack, std::size(stack)));
    } else {
        heap = Utf8ToWide(bytes);
        wide = heap;
    }
    FromWideInto(kThreadAnsi, wide.substr(0, wide.find(u'\0')), out);
    if (const std::size_t zero = out.find('\0'); zero != std::string::npos) out.resize(zero);
}

const char kPathSeparator = '\\';

bool EndsWithSeparator(std::string_view path) { return !path.empty() && DirectoryLength(path) == path.size(); }

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!folder.empty() && !EndsWithSeparator(folder)) joined.push_back(kPathSeparator);
    joined.append(name);
    return joined;
}

std::string LastPathComponent(std::string_view path) {
    // A component begins after a "\", "/" or ":" that is followed by something other than the end
    // or another separator; so a trailing separator stays with the name before it.
    std::size_t begin = 0;
    for (std::size_t i = 0; i < path.size(); i += CharLength(path, i)) {
        const char c = path[i];
        if (CharLength(path, i) != 1 || !(IsSeparator(c) || c == ':')) continue;
        if (i + 1 < path.size() && !IsSeparator(path[i + 1])) begin = i + 1;
    }
    return std::string(path.substr(begin));
}

// GetFileAttributesA rather than the runtime's _stat, which refuses a path whose last byte is
// 0x5C: that is every folder path here, and some Shift_JIS names too.
bool PathExists(const std::string& path) {
    return Usable(path) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
    if (!Usable(path)) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    const std::string pattern = folder.empty() ? "*" : JoinPath(folder, "*");
    if (pattern.find('\0') != std::string::npos) return names;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string_view name = entry.cFileName;
        if (name == "." || name == "..") continue;
        // A junction or link to a folder is not followed, so a loop of them cannot trap a walk.
        const DWORD attributes = entry.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
            names.emplace_back(name);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

bool CreateFolders(const std::string& folder) {
    if (!Usable(folder)) return false;
    // Each parent in turn; those that exist already (or are a drive) simply fail to be created.
    for (std::size_t i = 1; i < folder.size(); i += CharLength(folder, i)) {
        if (CharLength(folder, i) == 1 && IsSeparator(folder[i])) CreateDirectoryA(folder.substr(0, i).c_str(), nullptr);
    }
    CreateDirectoryA(folder.c_str(), nullptr);
    return IsDirectory(folder);
}

std::vector<FoundFile> FindFiles(const std::string& directoryAndPrefix, std::string_view extension) {
    std::vector<FoundFile> found;
    const std::string pattern = directoryAndPrefix + "*." + std::string(extension);
    if (pattern.find('\0') != std::string::npos) return found;
    WIN32_FIND_DATAA entry{};
    const HANDLE search = FindFirstFileA(pattern.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do {
        found.push_back({entry.cFileName, (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

namespace {

// Reads up to `size` bytes; 0 at the end of the file or on a read error.
std::size_t ReadSome(HANDLE file, char* buffer, std::size_t size) {
    const DWORD wanted = size > MAXDWORD ? MAXDWORD : static_cast<DWORD>(size);
    DWORD read = 0;
    if (!ReadFile(file, buffer, wanted, &read, nullptr)) return 0;  // a read error ends the file
    return read;
}

bool WriteAll(HANDLE file, const char* data, std::size_t size) {
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

bool SeekTo(HANDLE file, std::uint64_t offset) {
    if (offset > static_cast<std::uint64_t>(LLONG_MAX)) return false;
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, distance, nullptr, FILE_BEGIN) != 0;
}

// A new, empty, uniquely named file in `folder` ("" is the current folder), or "" when none can
// be made there.
std::string CreateTempFileIn(const std::string& folder) {
    if (folder.find('\0') != std::string::npos) return {};
    char path[MAX_PATH] = {};
    if (GetTempFileNameA(folder.empty() ? "." : folder.c_str(), "vlm", 0, path) == 0) return {};
    return path;
}

class Win32InputFile final : public InputFile {
public:
    explicit Win32InputFile(HANDLE file) : file_(file) {}
    ~Win32InputFile() override { CloseHandle(file_); }
    Win32InputFile(const Win32InputFile&) = delete;
    Win32InputFile& operator=(const Win32InputFile&) = delete;

    std::size_t Read(char* buffer, std::size_t size) override { return ReadSome(file_, buffer, size); }
    bool Seek(std::uint64_t offset) override { return SeekTo(file_, offset); }

private:
    HANDLE file_;
};

class Win32OutputFile final : public OutputFile {
public:
    Win32OutputFile(HANDLE file, std::string tempPath, std::string targetPath)
        : file_(file), tempPath_(std::move(tempPath)), targetPath_(std::move(targetPath)) {}
    ~Win32OutputFile() override {
        if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
        if (!committed_) DeleteFileA(tempPath_.c_str());
    }
    Win32OutputFile(const Win32OutputFile&) = delete;
    Win32OutputFile& operator=(const Win32OutputFile&) = delete;

    bool Write(const char* data, std::size_t size) override {
        return file_ != INVALID_HANDLE_VALUE && WriteAll(file_, data, size);
    }

    bool Commit() override {
        if (file_ == INVALID_HANDLE_VALUE) return false;
        const bool closed = CloseHandle(file_) != 0;
        file_ = INVALID_HANDLE_VALUE;
        if (!closed || !MoveFileExA(tempPath_.c_str(), targetPath_.c_str(), MOVEFILE_REPLACE_EXISTING)) return false;
        committed_ = true;
        return true;
    }

private:
    HANDLE file_;
    std::string tempPath_;
    std::string targetPath_;
    bool committed_ = false;
};

class Win32ScratchFile final : public ScratchFile {
public:
    explicit Win32ScratchFile(HANDLE file) : file_(file) {}
    ~Win32ScratchFile() override { CloseHandle(file_); }  // the system deletes the file
    Win32ScratchFile(const Win32ScratchFile&) = delete;
    Win32ScratchFile& operator=(const Win32ScratchFile&) = delete;

    bool Write(const char* data, std::size_t size) override { return WriteAll(file_, data, size); }
    bool Rewind() override { return SeekTo(file_, 0); }
    std::size_t Read(char* buffer, std::size_t size) override { return ReadSome(file_, buffer, size); }

private:
    HANDLE file_;
};

}  // namespace

std::unique_ptr<InputFile> OpenInputFile(const std::string& path) {
    if (!Usable(path)) return nullptr;
    // Shared so that the host may go on reading and writing its files meanwhile. Without
    // FILE_FLAG_BACKUP_SEMANTICS a directory does not open.
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32InputFile>(file);
}

std::unique_ptr<OutputFile> CreateOutputFile(const std::string& targetPath) {
    if (!Usable(targetPath)) return nullptr;
    // The temporary file lies in the target's own folder, so that the final move stays on one volume.
    const std::string tempPath = CreateTempFileIn(targetPath.substr(0, DirectoryLength(targetPath)));
    if (tempPath.empty()) return nullptr;
    const HANDLE file =
        CreateFileA(tempPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(tempPath.c_str());
        return nullptr;
    }
    return std::make_unique<Win32OutputFile>(file, tempPath, targetPath);
}

std::unique_ptr<ScratchFile> CreateScratchFile(const std::string& folder) {
    const std::string tempPath = CreateTempFileIn(folder);
    if (tempPath.empty()) return nullptr;
    // Deleted by the system when the handle closes, however the run ends.
    const HANDLE file = CreateFileA(tempPath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(tempPath.c_str());
        return nullptr;
    }
    return std::make_unique<Win32ScratchFile>(file);
}

void ShowMessage(std::string_view textUtf8, const std::string& path, std::string_view captionUtf8) {
    const std::string text = FromWide(kAnsi, Utf8ToWide(textUtf8)) + path;
    const std::string caption = FromWide(kAnsi, Utf8ToWide(captionUtf8));
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

std::string PathToUtf8(const std::string& path) { return FromWide(kUtf8, AnsiToWide(path)); }

void UseUtf8Console() { SetConsoleOutputCP(kUtf8); }

bool StderrIsTerminal() {
    // A console answers GetConsoleMode; a pipe or a file does not.
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

std::string FullPath(const std::string& path) {
    if (!Usable(path)) return path;
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length == 0 || length >= MAX_PATH ? path : std::string(full, length);
}

std::string SettingsFilePath() {
    // Found through the library's fixed file name: under another name no module matches, and the
    // null handle then gives the host executable's folder.
    char modulePath[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(GetModuleHandleA("VellumText.dll"), modulePath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return {};  // a cut path would name some other folder
    PathRemoveFileSpecA(modulePath);
    std::string file = JoinPath(modulePath, "VellumText.ini");
    if (file.size() > kMaxPath) return {};
    return file;
}

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key) {
    if (!Usable(file)) return {};
    char value[MAX_PATH] = {};
    const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value, MAX_PATH, file.c_str());
    return std::string(value, length);
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    if (!Usable(file)) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != 0;
}

std::string DesktopFolder() {
    char folder[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, folder, CSIDL_DESKTOP, FALSE)) return {};
    return folder;
}

}  // namespace vellum::platform
