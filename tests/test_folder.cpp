#include "tests/test_folder.h"

#include <atomic>
#include <fstream>
#include <random>
#include <set>
#include <sstream>

namespace vellum::test {

ScratchDir::ScratchDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device seed;
    path_ = std::filesystem::temp_directory_path() /
            ("vellumtext-test-" + std::to_string(seed()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::Folder() const {
    std::string folder = path_.string();
    folder.push_back(static_cast<char>(std::filesystem::path::preferred_separator));
    return folder;
}

void ScratchDir::Write(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ScratchDir::Read(const std::string& name) const { return ReadFileBytes(path_ / name); }

bool ScratchDir::Exists(const std::string& name) const { return std::filesystem::exists(path_ / name); }

std::string ScratchDir::Listing(const std::string& sub) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_ / sub)) {
        names.insert(entry.path().filename().string());
    }
    std::string listing;
    for (const std::string& name : names) listing += name + "\n";
    return listing;
}

std::string IndexLine(std::initializer_list<std::string_view> fields) {
    std::string line;
    bool first = true;
    for (std::string_view field : fields) {
        if (!first) line.push_back('\x01');
        line.append(field);
        first = false;
    }
    return line;
}

std::string ReadFileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

}  // namespace vellum::test
