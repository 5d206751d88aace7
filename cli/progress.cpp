#include "cli/progress.h"

#include <algorithm>
#include <cstdio>

#include "platform/platform.h"
#include "util/line_reader.h"

namespace vellum::cli {
namespace {
// Short runs finish without a progress line; long ones update it a few times a second.
constexpr auto kQuietStart = std::chrono::milliseconds(500);
constexpr auto kInterval = std::chrono::milliseconds(200);
}  // namespace

ProgressLine::ProgressLine(bool enabled, std::uint64_t totalRecords)
    : enabled_(enabled), total_(totalRecords), start_(std::chrono::steady_clock::now()), lastShown_(start_) {}

ProgressLine::~ProgressLine() { Clear(); }

void ProgressLine::Update(std::uint64_t records, std::uint64_t bytesWritten) {
    if (!enabled_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ < kQuietStart || (shown_ && now - lastShown_ < kInterval)) return;
    lastShown_ = now;
    shown_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double mbPerSecond = static_cast<double>(bytesWritten) / 1e6 / std::max(seconds, 1e-3);
    std::fprintf(stderr, "\r%llu/%llu records  %.1f MB/s  %.0f s   ", static_cast<unsigned long long>(records),
                 static_cast<unsigned long long>(total_), mbPerSecond, seconds);
    std::fflush(stderr);
}

void ProgressLine::Clear() {
    if (!shown_) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    shown_ = false;
}

std::uint64_t CountIndexRecords(const std::string& indexPath) {
    std::unique_ptr<platform::InputFile> file = platform::OpenInputFile(indexPath);
    if (!file) return 0;
    LineReader lines(*file);
    std::uint64_t records = 0;
    std::string line;
    while (lines.ReadLine(line)) {
        // A separator at the very end adds no field.
        if (!line.empty() && line.back() == '\x01') line.pop_back();
        if (std::count(line.begin(), line.end(), '\x01') >= 2) ++records;
    }
    return records;
}

}  // namespace vellum::cli
