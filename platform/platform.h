// The thin layer between the portable conversion core and the operating system.
// platform/posix.cpp implements it for Linux, platform/win32.cpp on the real Windows API.
// Every path is a byte string in the ANSI code page (UTF-8 on Linux, Shift_JIS on Windows).
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum::platform {

// ---- code pages (explicit lengths everywhere) ----
std::u16string Utf8ToWide(std::string_view bytes);          // code page 65001
std::u16string AnsiToWide(std::string_view bytes);          // code page 0 (CP_ACP)
void AnsiToUtf8(std::string_view bytes, std::string& out);  // code page 0 to UTF-8, appended to out
std::string WideToThreadAnsi(std::u16string_view text);     // code page 3 (CP_THREAD_ACP)
// True when code page 0 and the calling thread's code page 3 are both 932, whose conversions the
// portable tables (decode/codepage.h) give exactly: then these may stand in for AnsiToUtf8 and
// Utf8ToThreadAnsi (always so on Linux).
bool AnsiCodePagesAre932();
// WideToThreadAnsi(Utf8ToWide(bytes) up to its first U+0000) up to its first zero byte,
// written over `out`: a caller converting line after line keeps one buffer, and no UTF-16 text
// is made on the heap for it.
void Utf8ToThreadAnsi(std::string_view bytes, std::string& out);
// The calling thread's locale, which picks the code page of WideToThreadAnsi, and setting it on
// another thread: worker threads of a run take over the locale of the thread that started it.
// (Linux has one code page for all threads: 0 and nothing to do.)
std::uint32_t CurrentThreadLocale();
void UseThreadLocale(std::uint32_t locale);

// ---- paths ----
// Longest path the system builds: 259 bytes (260-byte buffers with their NUL).
inline constexpr std::size_t kMaxPath = 259;
// The separator this platform inserts: "\" on Windows, "/" elsewhere.
extern const char kPathSeparator;
// True when the last character (not byte: a Shift_JIS trail byte 0x5C is no separator)
// of `path` is "\" or "/".
bool EndsWithSeparator(std::string_view path);
// folder, then a separator unless folder is empty or already ends with one, then name.
std::string JoinPath(std::string_view folder, std::string_view name);
// The last component of `path`. On Windows a separator at the very end stays part of it
// ("box\inbox\" gives "inbox\"), as the host's folder strings rely on; on Linux trailing
// slashes are ignored.
std::string LastPathComponent(std::string_view path);

// ---- file system ----
// The status query: true for any existing entry, folder or file. False for "".
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Names of the folders directly inside `folder` (not following links), in file-system order.
std::vector<std::string> ListSubfolders(const std::string& folder);
// Creates `folder` and its missing parents; true when it exists afterwards.
bool CreateFolders(const std::string& folder);

struct FoundFile {
    std::string name;       // bare name, no directory part
    bool isDirectory = false;
};
// The entries that the wildcard pattern "<dir><prefix>*.<ext>" matches (ext in any letter case),
// in the order the file system gives them. An empty vector when the search cannot start.
std::vector<FoundFile> FindFiles(const std::string& directoryAndPrefix, std::string_view extension);

// A file opened for shared reading as raw bytes (nothing translated).
class InputFile {
public:
    virtual ~InputFile() = default;
    // Reads up to `size` bytes; 0 at the end of the file or on a read error.
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
    // Moves to `offset` bytes from the start; false when the file cannot seek there.
    virtual bool Seek(std::uint64_t offset) = 0;
    // Up to `size` bytes from `offset` on, seen where they lie (the file mapped into memory,
    // nothing copied) and valid until the next View or the file's end; empty at the end of the
    // file or on an error. Nothing when the file cannot be seen so: then Seek and Read serve.
    virtual std::optional<std::string_view> View(std::uint64_t /*offset*/, std::size_t /*size*/) {
        return std::nullopt;
    }
    // Gives back the last View's window: a file left open for later holds none of its pages.
    virtual void EndView() {}
};
// Null when the file cannot be opened: missing, a directory, a path holding a zero byte
// (which must never cut the path and open another file), no rights.
std::unique_ptr<InputFile> OpenInputFile(const std::string& path);

// The output document is written to a temporary file beside the target and moved over the
// target only by Commit(), so that a failure leaves the target untouched and nothing behind.
class OutputFile {
public:
    virtual ~OutputFile() = default;  // discards the temporary file unless committed
    virtual bool Write(const char* data, std::size_t size) = 0;
    virtual bool Commit() = 0;        // flush, close, replace the target
};
// Null when the temporary file cannot be created in the target's folder.
std::unique_ptr<OutputFile> CreateOutputFile(const std::string& targetPath);

// A nameless temporary file for parts of the document too big to hold in memory; it is gone
// when the object is destroyed.
class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
    virtual bool Rewind() = 0;  // back to the start, for reading what was written
    virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};
// Null when no file can be created in `folder`.
std::unique_ptr<ScratchFile> CreateScratchFile(const std::string& folder);

// ---- user interface ----
// A message box without owner window, OK button, no icon (stderr on Linux): `textUtf8`
// immediately followed by `path`, captioned `captionUtf8`. Our own texts are UTF-8 in the source;
// the platform brings them to its ANSI code page, while the path is already a native byte string.
void ShowMessage(std::string_view textUtf8, const std::string& path, std::string_view captionUtf8);
// A native path as UTF-8, for the terminal.
std::string PathToUtf8(const std::string& path);
// Lets the terminal show UTF-8 (the console's output code page on Windows).
void UseUtf8Console();
// True when standard error is a terminal (progress lines go there only then).
bool StderrIsTerminal();
// The absolute form of `path` ("." and ".." resolved); `path` itself when that fails.
std::string FullPath(const std::string& path);

// ---- settings ----
// Full path of "VellumText.ini": beside the loaded "VellumText.dll" on Windows (beside the
// executable when no module of that name is loaded); $XDG_CONFIG_HOME/vellumtext/ on Linux.
std::string SettingsFilePath();
// The value of `key` in `[section]`, at most kMaxPath bytes; "" when missing.
std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key);
// Creates the file, section or key as needed; false when the file cannot be written.
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);
// The user's desktop folder, "" when it cannot be determined.
std::string DesktopFolder();

}  // namespace vellum::platform
