// Finds indexed messages in their message files reading each file a small, fixed number of
// times, however many records point into it: once to note where every message's status line
// stands and what the header tests had built up to there, then from that line to the
// message's end for each record. The documents are exactly those of reading the file from its
// first line for every record.
#pragma once
#include <cstdint>
#include <list>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "convert/index_reader.h"
#include "convert/message_parser.h"
#include "platform/platform.h"
#include "util/line_reader.h"

namespace vellum {

class MessageStore {
public:
    // `spillFolder`: where the start of a body bigger than `spillBytes` goes (a nameless scratch
    // file); "" keeps every body in memory. `readBufferSize`: bytes read at a time from each open
    // file.
    explicit MessageStore(std::string spillFolder = {}, std::size_t spillBytes = 8 << 20,
                          std::size_t readBufferSize = 1 << 20)
        : spillFolder_(std::move(spillFolder)), spillBytes_(spillBytes), readBufferSize_(readBufferSize) {}

    // The record's message, its dates and charset, as reading its file from the first line gives
    // them. Nothing when the file cannot be opened. Completes the record's charsets.
    std::optional<MessageFields> Find(IndexRecord& record);

private:
    // What the tests on the lines before a point have left behind. Every status line keeps one,
    // so the texts are shared, not copied: a long header value must not cost its length again
    // for every message after it.
    using SharedText = std::shared_ptr<const std::string>;
    struct HeaderState {
        bool multipart = false;
        SharedText delimiter;
        SharedText sentDate;
        SharedText sentDateTime;
        SharedText charset;  // the last "charset=" value
    };
    struct Marker {
        std::uint64_t nextLine = 0;  // offset of the line after the status line
        HeaderState state;           // after the status line's own tests
    };
    struct FileIndex {
        std::unordered_map<std::string, Marker> firstMarker;  // the first status line per key
        HeaderState atEnd;                                    // for keys that match nothing
    };
    struct OpenFile {
        std::unique_ptr<platform::InputFile> file;
        std::unique_ptr<LineReader> lines;
    };

    OpenFile* Open(const std::string& path);
    void Spill(const MessageScanState& state, MessageFields& fields) const;
    static FileIndex Index(LineReader& lines);

    std::string spillFolder_;
    std::size_t spillBytes_;
    std::size_t readBufferSize_;
    std::unordered_map<std::string, FileIndex> indexes_;
    // A few files stay open: records mostly come in runs from one file.
    std::list<std::pair<std::string, OpenFile>> open_;
};

// The record's message through the store (the conversion run's way).
std::optional<MessageFields> ParseMessageFile(IndexRecord& record, MessageStore& store);

}  // namespace vellum
