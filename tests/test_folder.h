// Scratch mail folders for tests: a fresh directory per test, removed afterwards.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

namespace vellum::test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The directory as the core's byte-string path, with a trailing separator.
    std::string Folder() const;
    // Writes `bytes` to `name` below the directory (parents created), exactly as given.
    void Write(const std::string& name, std::string_view bytes) const;
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;
    // Names of the entries directly in `sub` (sorted), to see that nothing was left behind.
    std::string Listing(const std::string& sub = "") const;

private:
    std::filesystem::path path_;
};

// An index line from its fields, joined with 0x01.
std::string IndexLine(std::initializer_list<std::string_view> fields);

std::string ReadFileBytes(const std::filesystem::path& file);

}  // namespace vellum::test
