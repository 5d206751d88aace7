// Splits a file into lines as the host's files are read: a line ends at LF, a CR directly before
// the LF is dropped, every other byte (NUL and 0x1A included) is kept; a last line without LF
// still counts, and nothing follows a final LF.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace vellum {

class LineReader {
public:
    // `bufferSize`: bytes read at a time; `viewSize`: bytes seen at a time where the file can be
    // mapped (bufferSize when 0), which costs no copy and so may be more.
    explicit LineReader(platform::InputFile& file, std::size_t bufferSize = 1 << 20, std::size_t viewSize = 0);
    // False when there is no further line (end of the file, or a read error).
    bool ReadLine(std::string& line);
    // The same without a copy: `line` views the buffer when the whole line lies in it, else the
    // reader's own string, and stays valid until the next read or seek.
    bool ReadLine(std::string_view& line);
    // Skips the lines in which `find` finds nothing, up to the next one that it may find
    // something in (the next line is read whole). `find` gets the bytes from the next line's start
    // to the end of those at hand and gives the offset of a find, or npos. Lines are searched as
    // a block, not one at a time. False at the end of the file.
    bool SkipLinesWithout(std::size_t (*find)(std::string_view));
    // Offset in the file of the next line, that is bytes consumed so far, line ends included.
    std::uint64_t BytesConsumed() const { return bufferStart_ + pos_; }
    // Goes on reading at `offset` (the start of a line), from the buffer when it holds it.
    bool SeekTo(std::uint64_t offset);
    // Lets go of the bytes at hand (the file's window, or the buffer and its memory); reading
    // goes on where it stands. A reader left for a while then holds no memory.
    void Release();

private:
    bool Refill();
    // Where in data_ the next LF at or after pos_ stands, end_ when there is none.
    std::size_t NextLineFeed();

    platform::InputFile& file_;
    bool viewing_ = true;  // the file is seen in place (mapped), not read into buffer_
    // Allocated on the first read, not zero-filled: most files are far smaller than the buffer,
    // whose untouched pages then cost nothing, and a mapped file needs none.
    std::unique_ptr<char[]> buffer_;
    std::size_t bufferSize_;
    std::size_t viewSize_;
    const char* data_ = nullptr;  // buffer_ or the file's mapped window
    std::string pieced_;  // a line that goes on past the end of the buffer
    std::uint64_t bufferStart_ = 0;  // file offset of data_[0]
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    bool eof_ = false;
    // The LFs not yet passed of the 64 bytes from data_[maskStart_] (bit k for byte k). Lines are
    // some 50 bytes long: taking their ends from one mask costs less than a search per line. The
    // mask is stale whenever pos_ moves other than past a line end taken from it.
    std::uint64_t mask_ = 0;
    std::size_t maskStart_ = 0;
    bool maskStale_ = true;
};

}  // namespace vellum
