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
    explicit MemoryFile(std::string bytes) : bytes_(std::move(bytes)) {}
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
    std::size_t pos_ = 0;
};

}  // namespace vellum
