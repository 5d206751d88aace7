#include "util/line_reader.h"

#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vellum {
namespace {

#if defined(__SSE2__)
// The LFs of the 64 bytes at `p` (bit k for byte k).
std::uint64_t LineFeeds64(const char* p) {
    const __m128i lf = _mm_set1_epi8('\n');
    std::uint64_t mask = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        mask |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)))) << (16 * k);
    }
    return mask;
}
#endif

}  // namespace

LineReader::LineReader(platform::InputFile& file, std::size_t bufferSize, std::size_t viewSize)
    : file_(file), bufferSize_(bufferSize == 0 ? 1 : bufferSize), viewSize_(viewSize == 0 ? bufferSize_ : viewSize) {}

bool LineReader::Refill() {
    if (eof_) return false;
    bufferStart_ += end_;
    pos_ = 0;
    end_ = 0;
    maskStale_ = true;
    if (viewing_) {
        if (const std::optional<std::string_view> view = file_.View(bufferStart_, viewSize_)) {
            data_ = view->data();
            end_ = view->size();
        } else {
            viewing_ = false;
            if (!file_.Seek(bufferStart_)) eof_ = true;  // ends the file like a read error
        }
    }
    if (!viewing_ && !eof_) {
        if (!buffer_) buffer_ = std::make_unique_for_overwrite<char[]>(bufferSize_);
        data_ = buffer_.get();
        end_ = file_.Read(buffer_.get(), bufferSize_);
    }
    if (end_ == 0) eof_ = true;
    return end_ > 0;
}

bool LineReader::SeekTo(std::uint64_t offset) {
    maskStale_ = true;
    if (offset >= bufferStart_ && offset <= bufferStart_ + end_) {
        pos_ = static_cast<std::size_t>(offset - bufferStart_);
        return true;
    }
    // A view is taken at any offset; a read needs the file moved there first.
    if (!viewing_ && !file_.Seek(offset)) return false;
    bufferStart_ = offset;
    pos_ = end_ = 0;
    eof_ = false;
    return true;
}

void LineReader::Release() {
    const std::uint64_t at = bufferStart_ + pos_;
    file_.EndView();
    buffer_.reset();
    data_ = nullptr;
    bufferStart_ = at;
    pos_ = end_ = 0;
    maskStale_ = true;
    // A read goes on from where the file stands, which is past the bytes at hand.
    if (!viewing_) eof_ = !file_.Seek(at);
}

bool LineReader::SkipLinesWithout(std::size_t (*find)(std::string_view)) {
    for (;;) {
        if (pos_ == end_ && !Refill()) return false;
        const std::string_view rest(data_ + pos_, end_ - pos_);
        const std::size_t found = find(rest);
        // The line of the find, or else the last line at hand, which may go on past them, begins
        // after the last line end before it.
        const std::size_t before = found == std::string_view::npos ? rest.size() : found;
        const std::size_t lf = before == 0 ? std::string_view::npos : rest.rfind('\n', before - 1);
        if (lf != std::string_view::npos) pos_ += lf + 1;
        maskStale_ = true;
        if (found != std::string_view::npos || pos_ < end_) return true;
    }
}

std::size_t LineReader::NextLineFeed() {
#if defined(__SSE2__)
    const auto maskAt = [this](std::size_t start) {
        if (end_ - start >= 64) return LineFeeds64(data_ + start);
        // The last bytes of the buffer are copied out first: a mapped window may end there.
        char last[64] = {};
        std::memcpy(last, data_ + start, end_ - start);
        return LineFeeds64(last);
    };
    if (maskStale_) {
        maskStart_ = pos_;
        mask_ = maskAt(pos_);
        maskStale_ = false;
    }
    while (mask_ == 0) {
        maskStart_ += 64;
        if (maskStart_ >= end_) {
            maskStale_ = true;
            return end_;
        }
        mask_ = maskAt(maskStart_);
    }
    const std::size_t lf = maskStart_ + static_cast<std::size_t>(std::countr_zero(mask_));
    mask_ &= mask_ - 1;
    return lf;
#else
    const void* lf = std::memchr(data_ + pos_, '\n', end_ - pos_);
    return lf == nullptr ? end_ : static_cast<std::size_t>(static_cast<const char*>(lf) - data_);
#endif
}

bool LineReader::ReadLine(std::string& line) {
    std::string_view view;
    const bool read = ReadLine(view);
    line.assign(view);
    return read;
}

bool LineReader::ReadLine(std::string_view& line) {
    line = {};
    bool pieced = false;  // the line began in an earlier fill of the buffer
    for (;;) {
        if (pos_ == end_ && !Refill()) {
            if (pieced) line = pieced_;
            return pieced;
        }
        const char* start = data_ + pos_;
        const std::size_t lf = NextLineFeed();
        if (lf == end_) {
            if (!pieced) pieced_.clear();
            pieced_.append(start, end_ - pos_);
            pos_ = end_;
            pieced = true;
            continue;
        }
        const std::size_t len = lf - pos_;
        pos_ = lf + 1;
        if (pieced) {
            pieced_.append(start, len);
            line = pieced_;
        } else {
            line = std::string_view(start, len);
        }
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return true;
    }
}

}  // namespace vellum
