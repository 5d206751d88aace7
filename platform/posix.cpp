// The platform layer on Linux and other POSIX systems. Paths are the system's bytes (UTF-8);
// mail text still goes through code page 932, as on the host's systems.
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>

#include "decode/codepage.h"
#include "platform/platform.h"

namespace vellum::platform {

std::u16string Utf8ToWide(std::string_view bytes) { return codepage::Utf8ToWide(bytes); }
std::u16string AnsiToWide(std::string_view bytes) { return codepage::Cp932ToWide(bytes); }
void AnsiToUtf8(std::string_view bytes, std::string& out) { codepage::Cp932ToUtf8(bytes, out); }
std::string WideToThreadAnsi(std::u16string_view text) { return codepage::WideToCp932(text); }
bool AnsiCodePagesAre932() { return true; }
// Code page 932 has no zero byte in what comes before U+0000.
void Utf8ToThreadAnsi(std::string_view bytes, std::string& out) { codepage::Utf8ToCp932(bytes, out); }
std::uint32_t CurrentThreadLocale() { return 0; }
void UseThreadLocale(std::uint32_t) {}

const char kPathSeparator = '/';

bool EndsWithSeparator(std::string_view path) {
    // In UTF-8 no byte of a multibyte character is below 0x80: the last byte is the last character.
    return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!folder.empty() && !EndsWithSeparator(folder)) joined.push_back(kPathSeparator);
    joined.append(name);
    return joined;
}

std::string LastPathComponent(std::string_view path) {
    // "\" is an ordinary byte of a Linux file name; trailing slashes name the same folder.
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos || path.size() == 1 ? path : path.substr(slash + 1));
}

bool PathExists(const std::string& path) {
    struct stat st {};
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    return ::stat(path.c_str(), &st) == 0 || ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    if (path.empty() || path.find('\0') != std::string::npos) return false;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> ListSubfolders(const std::string& folder) {
    std::vector<std::string> names;
    if (folder.find('\0') != std::string::npos) return names;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        struct stat st {};
        // lstat: a link to a folder is not followed, so a loop of links cannot trap a walk.
        if (::lstat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) names.emplace_back(name);
    }
    ::closedir(dir);
    return names;
}

bool CreateFolders(const std::string& folder) {
    if (folder.empty() || folder.find('\0') != std::string::npos) return false;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    return IsDirectory(folder);
}

namespace {

bool EndsWithNoCase(std::string_view name, std::string_view suffix) {
    if (name.size() < suffix.size()) return false;
    name.remove_prefix(name.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char a = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] - 'A' + 'a') : name[i];
        const char b = suffix[i] >= 'A' && suffix[i] <= 'Z' ? static_cast<char>(suffix[i] - 'A' + 'a') : suffix[i];
        if (a != b) return false;
    }
    return true;
}

}  // namespace

std::vector<FoundFile> FindFiles(const std::string& directoryAndPrefix, std::string_view extension) {
    std::vector<FoundFile> found;
    if (directoryAndPrefix.find('\0') != std::string::npos) return found;
    const std::size_t slash = directoryAndPrefix.rfind('/');
    const std::string directory = slash == std::string::npos ? "." : directoryAndPrefix.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? directoryAndPrefix : directoryAndPrefix.substr(slash + 1);
    const std::string suffix = "." + std::string(extension);
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return found;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (name.size() < prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix) continue;
        if (!EndsWithNoCase(name, suffix)) continue;
        FoundFile file;
        file.name = std::string(name);
        file.isDirectory = IsDirectory(JoinPath(directory, name));
        found.push_back(std::move(file));
    }
    ::closedir(dir);
    return found;
}

namespace {

std::size_t ReadSome(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd, buffer, size);
        if (n >= 0) return static_cast<std::size_t>(n);
        if (errno != EINTR) return 0;  // a read error ends the file
    }
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class PosixInputFile final : public InputFile {
public:
    PosixInputFile(int fd, bool regular) : fd_(fd), mappable_(regular) {}
    ~PosixInputFile() override {
        Unmap();
        ::close(fd_);
    }
    PosixInputFile(const PosixInputFile&) = delete;
    PosixInputFile& operator=(const PosixInputFile&) = delete;

    std::size_t Read(char* buffer, std::size_t size) override { return ReadSome(fd_, buffer, size); }

    bool Seek(std::uint64_t offset) override {
        return ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
    }

    // A window of a regular file mapped read-only: the pages of the page cache are used where
    // they are instead of being copied, which halves the cost of reading a file twice. Only up
    // to the file's present size, so that no page past its end is ever touched.
    std::optional<std::string_view> View(std::uint64_t offset, std::size_t size) override {
        if (!mappable_) return std::nullopt;
        Unmap();
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return std::string_view();
        const auto fileSize = static_cast<std::uint64_t>(st.st_size);
        if (offset >= fileSize || size == 0) return std::string_view();
        if (size > fileSize - offset) size = static_cast<std::size_t>(fileSize - offset);
        static const auto page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
        const std::uint64_t start = offset - offset % page;
        const std::size_t lead = static_cast<std::size_t>(offset - start);
        void* mapped = ::mmap(nullptr, lead + size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd_, static_cast<off_t>(start));
        if (mapped == MAP_FAILED) {
            mappable_ = false;  // some file systems cannot map: read as usual from here on
            return std::nullopt;
        }
        mapped_ = mapped;
        mappedSize_ = lead + size;
        return std::string_view(static_cast<const char*>(mapped) + lead, size);
    }

    void EndView() override { Unmap(); }

private:
    void Unmap() {
        if (mapped_ != nullptr) ::munmap(mapped_, mappedSize_);
        mapped_ = nullptr;
    }

    int fd_;
    bool mappable_;
    void* mapped_ = nullptr;
    std::size_t mappedSize_ = 0;
};

class PosixOutputFile final : public OutputFile {
public:
    PosixOutputFile(int fd, std::string tempPath, std::string targetPath)
        : fd_(fd), tempPath_(std::move(tempPath)), targetPath_(std::move(targetPath)) {}
    ~PosixOutputFile() override {
        if (fd_ >= 0) ::close(fd_);
        if (!committed_) ::unlink(tempPath_.c_str());
    }
    PosixOutputFile(const PosixOutputFile&) = delete;
    PosixOutputFile& operator=(const PosixOutputFile&) = delete;

    bool Write(const char* data, std::size_t size) override { return WriteAll(fd_, data, size); }

    bool Commit() override {
        const int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) return false;
        if (::rename(tempPath_.c_str(), targetPath_.c_str()) != 0) return false;
        committed_ = true;
        return true;
    }

private:
    int fd_;
    std::string tempPath_;
    std::string targetPath_;
    bool committed_ = false;
};

class PosixScratchFile final : public ScratchFile {
public:
    explicit PosixScratchFile(int fd) : fd_(fd) {}
    ~PosixScratchFile() override { ::close(fd_); }
    PosixScratchFile(const PosixScratchFile&) = delete;
    PosixScratchFile& operator=(const PosixScratchFile&) = delete;

    bool Write(const char* data, std::size_t size) override { return WriteAll(fd_, data, size); }
    bool Rewind() override { return ::lseek(fd_, 0, SEEK_SET) == 0; }
    std::size_t Read(char* buffer, std::size_t size) override { return ReadSome(fd_, buffer, size); }

private:
    int fd_;
};

}  // namespace

std::unique_ptr<ScratchFile> CreateScratchFile(const std::string& folder) {
    if (folder.find('\0') != std::string::npos) return nullptr;
    std::string name = JoinPath(folder.empty() ? "." : folder, ".vellumtext-XXXXXX");
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return nullptr;
    ::unlink(name.c_str());  // nameless from now on: nothing is left behind, whatever happens
    return std::make_unique<PosixScratchFile>(fd);
}

std::unique_ptr<InputFile> OpenInputFile(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos) return nullptr;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<PosixInputFile>(fd, S_ISREG(st.st_mode));
}

std::unique_ptr<OutputFile> CreateOutputFile(const std::string& targetPath) {
    if (targetPath.empty() || targetPath.find('\0') != std::string::npos) return nullptr;
    const std::size_t slash = targetPath.rfind('/');
    const std::string directory = slash == std::string::npos ? "" : targetPath.substr(0, slash + 1);
    std::string temp = directory + ".vellumtext-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return nullptr;
    // mkstemp makes the file private; the document gets the usual rights.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    return std::make_unique<PosixOutputFile>(fd, std::move(temp), targetPath);
}

void ShowMessage(std::string_view textUtf8, const std::string& path, std::string_view captionUtf8) {
    std::cerr << captionUtf8 << ": " << textUtf8 << path << std::endl;
}

std::string PathToUtf8(const std::string& path) { return path; }

void UseUtf8Console() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

std::string FullPath(const std::string& path) {
    if (path.find('\0') != std::string::npos) return path;
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return path;
    std::string full(resolved);
    std::free(resolved);
    return full;
}

namespace {

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    return home != nullptr ? home : "";
}

std::string Trim(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const std::size_t end = text.find_last_not_of(" \t\r");
    return std::string(text.substr(begin, end - begin + 1));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && EndsWithNoCase(a, b);
}

// "[name]" -> name, or nothing for a line that is no section header.
std::optional<std::string> SectionName(const std::string& line) {
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[' || trimmed.back() != ']') return std::nullopt;
    return Trim(std::string_view(trimmed).substr(1, trimmed.size() - 2));
}

std::vector<std::string> ReadLines(const std::string& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

}  // namespace

std::string SettingsFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string base = config != nullptr && *config == '/' ? config : HomeFolder() + "/.config";
    return base + "/vellumtext/VellumText.ini";
}

std::string ReadProfileString(const std::string& file, const std::string& section, const std::string& key) {
    bool inSection = false;
    for (const std::string& line : ReadLines(file)) {
        if (std::optional<std::string> name = SectionName(line)) {
            inSection = EqualsNoCase(*name, section);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos || !EqualsNoCase(Trim(line.substr(0, equals)), key)) continue;
        std::string value = Trim(std::string_view(line).substr(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        if (value.size() > kMaxPath) value.resize(kMaxPath);
        return value;
    }
    return {};
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
    std::vector<std::string> lines = ReadLines(file);
    const std::string entry = key + "=" + value;
    bool inSection = false;
    bool written = false;
    std::size_t insertAt = lines.size();
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        if (std::optional<std::string> name = SectionName(lines[i])) {
            if (inSection) break;  // the section ends without the key
            inSection = EqualsNoCase(*name, section);
            if (inSection) insertAt = i + 1;
            continue;
        }
        if (!inSection) continue;
        const std::size_t equals = lines[i].find('=');
        if (equals != std::string::npos && EqualsNoCase(Trim(lines[i].substr(0, equals)), key)) {
            lines[i] = entry;
            written = true;
        } else if (!Trim(lines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (!written) {
        if (insertAt == lines.size() && !inSection) {
            lines.push_back("[" + section + "]");
            insertAt = lines.size();
        }
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
    }
    const std::size_t slash = file.rfind('/');
    if (slash != std::string::npos && slash > 0 && !CreateFolders(file.substr(0, slash))) return false;
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    std::unique_ptr<OutputFile> out = CreateOutputFile(file);
    return out && out->Write(text.data(), text.size()) && out->Commit();
}

std::string DesktopFolder() {
    if (const char* desktop = std::getenv("XDG_DESKTOP_DIR"); desktop != nullptr && *desktop != '\0') return desktop;
    const std::string home = HomeFolder();
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const std::string dirs = (config != nullptr && *config == '/' ? std::string(config) : home + "/.config") + "/user-dirs.dirs";
    // xdg-user-dirs writes XDG_DESKTOP_DIR="$HOME/Desktop".
    for (const std::string& line : ReadLines(dirs)) {
        const std::string prefix = "XDG_DESKTOP_DIR=";
        if (line.rfind(prefix, 0) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty()) return value;
    }
    return home.empty() ? "" : home + "/Desktop";
}

}  // namespace vellum::platform
