// The progress line on a terminal: records done of total, speed, time taken.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace vellum::cli {

class ProgressLine {
public:
    // Shows nothing when disabled (not a terminal, or quiet).
    ProgressLine(bool enabled, std::uint64_t totalRecords);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Update(std::uint64_t records, std::uint64_t bytesWritten);
    // Clears the line so that the result message stands alone.
    void Clear();

private:
    bool enabled_;
    std::uint64_t total_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastShown_;
    bool shown_ = false;
};

// Index lines that are records (three fields or more), counted without parsing them.
std::uint64_t CountIndexRecords(const std::string& indexPath);

}  // namespace vellum::cli
