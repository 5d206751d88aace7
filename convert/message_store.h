// Finds indexed messages in their message files reading each file a small, fixed number of
// times, however many records point into it: once to note where every message's status line
// stands and what the header tests had built up to there, then from that line to the
// message's end for each record. The documents are exactly those of reading the file from its
// first line for every record.
#pragma once
#include <cstdint>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "convert/index_reader.h"
#include "convert/message_parser.h"
#include "platform/platform.h"
#include "util/line_reader.h"

namespace vellum {

// Where each key's message starts in one message file, and what the header tests on the lines
// before it had built up. The texts live one after another in one string, named by offset and
// size, so that a marker costs a few numbers: a long header value is stored once, not again for
// every message after it, and a file of many small messages needs no allocation per message.
struct FileIndex {
    struct Text {  // a piece of `texts`
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    struct State {
        Text delimiter;
        Text sentDate;
        Text sentDateTime;
        Text charset;  // the last "charset=" value
        bool multipart = false;
    };
    struct Marker {
        Text key;
        std::uint64_t nextLine = 0;  // offset of the line after the status line
        State state;                 // after the status line's own tests
    };

    std::string texts;
    std::vector<Marker> markers;  // the first status line of each key, sorted by key
    State atEnd;                  // for keys that match nothing
    // Where each line that holds one of the texts of the line rules starts, in file order: the
    // other lines need no search for them when a message is read.
    std::vector<std::uint64_t> textLines;

    std::string_view TextOf(Text text) const { return std::string_view(texts).substr(text.offset, text.size); }
    // The first status line that carries `key`; null when none does.
    const Marker* Find(std::string_view key) const;
};

// The indexes of a run's message files, each built once and shared by every thread of the run.
class FileIndexes {
public:
    using Builder = std::function<std::shared_ptr<const FileIndex>()>;
    // The index of `path`, built by `build` on first use; a thread asking while another builds
    // it waits for that one. A null result (the file could not be read) is not kept, so the next
    // record tries again and reports the file in its turn.
    std::shared_ptr<const FileIndex> Get(const std::string& path, const Builder& build);

private:
    std::mutex mutex_;
    std::unordered_map<std::string, std::shared_future<std::shared_ptr<const FileIndex>>> indexes_;
};

class MessageStore {
public:
    // `spillFolder`: where the start of a body bigger than `spillBytes` goes (a nameless scratch
    // file); "" keeps every body in memory. `readBufferSize`: bytes read at a time from each open
    // file; `viewSize`: seen at a time where a file can be mapped (readBufferSize when 0).
    // `indexes`: shared with the other stores of the run (one store per thread).
    explicit MessageStore(std::string spillFolder = {}, std::size_t spillBytes = 8 << 20,
                          std::size_t readBufferSize = 1 << 20,
                          std::shared_ptr<FileIndexes> indexes = std::make_shared<FileIndexes>(), std::size_t viewSize = 0)
        : spillFolder_(std::move(spillFolder)),
          spillBytes_(spillBytes),
          readBufferSize_(readBufferSize),
          viewSize_(viewSize),
          indexes_(std::move(indexes)) {}

    // The record's message, its dates and charset, as reading its file from the first line gives
    // them. Nothing when the file cannot be opened. Completes the record's charsets.
    std::optional<MessageFields> Find(IndexRecord& record);
    // Builds the index of a message file ahead of its first record (on another thread).
    void Prepare(const std::string& path);
    // A body that has been copied out, for the next record to fill: its room is used again
    // rather than grown anew for every message.
    void Recycle(std::string body) { spareBody_ = std::move(body); }

private:
    struct OpenFile {
        std::unique_ptr<platform::InputFile> file;
        std::unique_ptr<LineReader> lines;
    };

    OpenFile* Open(const std::string& path);
    std::shared_ptr<const FileIndex> IndexOf(const std::string& path, OpenFile& open);
    void Spill(const MessageScanState& state, MessageFields& fields) const;
    static FileIndex Index(LineReader& lines);

    std::string spillFolder_;
    std::size_t spillBytes_;
    std::size_t readBufferSize_;
    std::size_t viewSize_;
    std::shared_ptr<FileIndexes> indexes_;
    // A few files stay open: records mostly come in runs from one file.
    std::list<std::pair<std::string, OpenFile>> open_;
    std::string spareBody_;
};

// The record's message through the store (the conversion run's way).
std::optional<MessageFields> ParseMessageFile(IndexRecord& record, MessageStore& store);

}  // namespace vellum
