#include "convert/message_store.h"

#include "convert/body_extraction.h"
#include "util/date.h"
#include "util/strings.h"

namespace vellum {
namespace {
constexpr std::size_t kOpenFiles = 8;

std::shared_ptr<const std::string> Share(std::string text) {
    return std::make_shared<const std::string>(std::move(text));
}
std::string Copy(const std::shared_ptr<const std::string>& text) { return text ? *text : std::string(); }
}  // namespace

std::shared_ptr<const FileIndex> FileIndexes::Get(const std::string& path, const Builder& build) {
    std::unique_lock lock(mutex_);
    if (const auto found = indexes_.find(path); found != indexes_.end()) {
        const auto building = found->second;
        lock.unlock();
        return building.get();
    }
    std::promise<std::shared_ptr<const FileIndex>> promise;
    indexes_.emplace(path, promise.get_future().share());
    lock.unlock();

    std::shared_ptr<const FileIndex> index;
    try {
        index = build();
    } catch (...) {
        // Out of memory while indexing: whoever waits for this index fails the same way.
        promise.set_exception(std::current_exception());
        lock.lock();
        indexes_.erase(path);
        throw;
    }
    promise.set_value(index);
    if (!index) {
        lock.lock();
        indexes_.erase(path);
    }
    return index;
}

MessageStore::OpenFile* MessageStore::Open(const std::string& path) {
    for (auto it = open_.begin(); it != open_.end(); ++it) {
        if (it->first == path) {
            open_.splice(open_.begin(), open_, it);
            return &open_.front().second;
        }
    }
    OpenFile opened;
    opened.file = platform::OpenInputFile(path);
    if (!opened.file) return nullptr;
    opened.lines = std::make_unique<LineReader>(*opened.file, readBufferSize_);
    if (open_.size() >= kOpenFiles) open_.pop_back();
    open_.emplace_front(path, std::move(opened));
    return &open_.front().second;
}

// The header tests of the line-by-line reading, applied to every line before a status line
// matches; their state is noted at the first status line of each key.
FileIndex MessageStore::Index(LineReader& lines) {
    FileIndex index;
    HeaderState& state = index.atEnd;
    MessageScanState structure;
    std::string_view line;
    while (lines.ReadLine(line)) {
        const LineTexts texts = FindLineTexts(line);
        CheckMessageStructure(structure, line, texts);
        // Only a line with a boundary sets the delimiter, to "--" and a piece of that line: a
        // longer delimiter was set before and stays shared as it is.
        if (texts.contentType && structure.delimiter.size() <= line.size() + 2) {
            state.delimiter = Share(structure.delimiter);
        }
        if (texts.date) {
            if (std::optional<SentDate> date = NormaliseDate(line)) {
                state.sentDate = Share(std::move(date->sentDate));
                state.sentDateTime = Share(std::move(date->sentDateTime));
            }
        }
        if (texts.charset) {
            state.charset = Share(CharsetValue(line));
        }
        const std::optional<std::string_view> key = texts.status ? StatusKey(line) : std::nullopt;
        if (key) {
            const auto [marker, first] = index.firstMarker.try_emplace(std::string(*key));
            if (first) {
                state.multipart = structure.multipart;
                marker->second = FileIndex::Marker{lines.BytesConsumed(), state};
            }
        }
    }
    state.multipart = structure.multipart;
    return index;
}

// Moves the body, up to its trailing empty lines (which the end of the message may still take
// away), to the scratch file.
void MessageStore::Spill(const MessageScanState& state, MessageFields& fields) const {
    if (fields.spillFailed) return;
    if (!fields.spilledBody) fields.spilledBody = platform::CreateScratchFile(spillFolder_);
    const std::size_t settled = SettledBodySize(state, fields);
    if (!fields.spilledBody || !fields.spilledBody->Write(fields.body.data(), settled)) {
        fields.spillFailed = true;
        return;
    }
    fields.body.erase(0, settled);
}

std::shared_ptr<const FileIndex> MessageStore::IndexOf(const std::string& path, OpenFile& open) {
    return indexes_->Get(path, [&open]() -> std::shared_ptr<const FileIndex> {
        if (!open.lines->SeekTo(0)) return nullptr;
        return std::make_shared<const FileIndex>(Index(*open.lines));
    });
}

void MessageStore::Prepare(const std::string& path) {
    if (OpenFile* open = Open(path)) IndexOf(path, *open);
}

std::optional<MessageFields> MessageStore::Find(IndexRecord& record) {
    OpenFile* open = Open(record.messageFilePath);
    if (open == nullptr) return std::nullopt;
    const std::shared_ptr<const FileIndex> indexed = IndexOf(record.messageFilePath, *open);
    if (!indexed) return std::nullopt;
    const FileIndex& index = *indexed;
    const auto marker = index.firstMarker.find(record.messageKey);
    const HeaderState& before = marker == index.firstMarker.end() ? index.atEnd : marker->second.state;

    MessageFields fields;
    fields.sentDate = Copy(before.sentDate);
    fields.sentDateTime = Copy(before.sentDateTime);
    // The charset of the message file is looked for only while the index names none.
    if (record.bodyCharset.empty()) fields.messageCharset = Copy(before.charset);
    if (marker != index.firstMarker.end() && open->lines->SeekTo(marker->second.nextLine)) {
        MessageScanState state;
        state.found = true;
        state.multipart = before.multipart;
        state.delimiter = Copy(before.delimiter);
        std::string_view line;
        while (open->lines->ReadLine(line)) {
            if (ScanMessageLine(record, line, state, fields)) break;
            if (!spillFolder_.empty() && fields.body.size() >= spillBytes_) Spill(state, fields);
        }
    }
    CompleteCharsets(record, fields);
    return fields;
}

std::optional<MessageFields> ParseMessageFile(IndexRecord& record, MessageStore& store) {
    return store.Find(record);
}

}  // namespace vellum
