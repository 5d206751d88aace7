#include "util/line_reader.h"

#include <cstring>

namespace vellum {

LineReader::LineReader(platform::InputFile& file, std::size_t bufferSize)
    : file_(file), bufferSize_(bufferSize == 0 ? 1 : bufferSize) {}

bool LineReader::Refill() {
    if (eof_) return false;
    bufferStart_ += end_;
    pos_ = 0;
    end_ = 0;
    if (viewing_) {
        if (const std::optional<std::string_view> view = file_.View(bufferStart_, bufferSize_)) {
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
        if (found != std::string_view::npos || pos_ < end_) return true;
    }
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
        const std::size_t avail = end_ - pos_;
        const void* lf = std::memchr(start, '\n', avail);
        if (lf == nullptr) {
            if (!pieced) pieced_.clear();
            pieced_.append(start, avail);
            pos_ = end_;
            pieced = true;
            continue;
        }
        const std::size_t len = static_cast<std::size_t>(static_cast<const char*>(lf) - start);
        pos_ += len + 1;
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
