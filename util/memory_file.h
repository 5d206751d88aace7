// A file held in memory, read through the same interface as files on disk: for tests and
// benchmarks of line reading without the system's reads.
#pragma once
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace vellum {

class MemoryFile final : public platform::InputFile {
public:
    // `views`: how many windows View gives before it says the file cannot be seen in place
    // (none by default), to exercise both ways of reading and the change from one to the other.
    explicit MemoryFile(std::string bytes, std::size_t views = 0) : bytes_(std::move(bytes)), views_(views) {}
    std::optional<std::string_view> View(std::uint64_t offset, std::size_t size) override {
        if (views_ == 0) return std::nullopt;
        --views_;
        if (offset >= bytes_.size()) return std::string_view();
        return std::string_view(bytes_).substr(static_cast<std::size_t>(offset), size);
    }
    std::size_t Read(char* buffer, std::size_t size) override {
        const std::size_t n = std::min(size, bytes_.size() - pos_);
        std::memcpy(buffer, bytes_.data() + pos_, n);
        pos_ += n;
        return n;
    }
    bool Seek(std::uint64_t offset) override {
        if (offset > bytes_.size()) return false;
        pos_ = static_cast<std::size_t>(offset);
        return true;
    }
    std::size_t Size() const { return bytes_.size(); }

private:
    std::string bytes_;
    std::size_t views_;
    std::size_t pos_ = 0;
};

}  // namespace vellum
