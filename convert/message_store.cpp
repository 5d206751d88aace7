#include "convert/message_store.h"

#include <algorithm>
#include <unordered_set>

#include "convert/body_extraction.h"
#include "util/date.h"
#include "util/strings.h"

namespace vellum {
namespace {
constexpr std::size_t kOpenFiles = 8;

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
    // Only the file in use holds its window: the others wait with their place alone.
    if (!open_.empty() && open_.front().first != path) open_.front().second.lines->Release();
    for (auto it = open_.begin(); it != open_.end(); ++it) {
        if (it->first == path) {
            open_.splice(open_.begin(), open_, it);
            return &open_.front().second;
        }
    }
    OpenFile opened;
    opened.file = platform::OpenInputFile(path);
    if (!opened.file) return nullptr;
    opened.lines = std::make_unique<LineReader>(*opened.file, readBufferSize_, viewSize_);
    if (open_.size() >= kOpenFiles) open_.pop_back();
    open_.emplace_front(path, std::move(opened));
    return &open_.front().second;
}

const FileIndex::Marker* FileIndex::Find(std::string_view key) const {
    const auto found = std::lower_bound(markers.begin(), markers.end(), key,
                                        [this](const Marker& m, std::string_view k) { return TextOf(m.key) < k; });
    return found != markers.end() && TextOf(found->key) == key ? &*found : nullptr;
}

namespace {

// Sets `text` to `value`, storing the value only when it differs from what `text` holds.
void SetText(FileIndex& index, FileIndex::Text& text, std::string_view value) {
    if (index.TextOf(text) == value) return;
    text = {index.texts.size(), value.size()};
    index.texts.append(value);
}

}  // namespace

// The header tests of the line-by-line reading, applied to every line before a status line
// matches; their state is noted at the first status line of each key.
FileIndex MessageStore::Index(LineReader& lines) {
    FileIndex index;
    FileIndex::State& state = index.atEnd;
    MessageScanState structure;
    std::unordered_set<std::string> seen;  // keys met so far
    std::string_view line;
    // Only lines that hold one of the texts change the state: the others are skipped unread.
    while (lines.SkipLinesWithout(FindFirstLineText)) {
        const std::uint64_t start = lines.BytesConsumed();
        if (!lines.ReadLine(line)) break;
        const LineTexts texts = FindLineTexts(line);
        if (texts.Any()) index.textLines.push_back(start);
        CheckMessageStructure(structure, line, texts);
        // Only a line with a boundary sets the delimiter.
        if (texts.contentType) SetText(index, state.delimiter, structure.delimiter);
        if (texts.date) {
            if (std::optional<SentDate> date = NormaliseDate(line)) {
                SetText(index, state.sentDate, date->sentDate);
                SetText(index, state.sentDateTime, date->sentDateTime);
            }
        }
        if (texts.charset) SetText(index, state.charset, CharsetValue(line));
        const std::optional<std::string_view> key = texts.status ? StatusKey(line) : std::nullopt;
        // Only the first status line of a key counts: a file that repeats one key on every line
        // must not cost a marker per line.
        if (key && seen.emplace(*key).second) {
            FileIndex::Marker marker{{}, lines.BytesConsumed(), state};
            marker.state.multipart = structure.multipart;
            SetText(index, marker.key, *key);
            index.markers.push_back(marker);
        }
    }
    state.multipart = structure.multipart;
    const auto byKey = [&index](const auto& a, const auto& b) { return index.TextOf(a.key) < index.TextOf(b.key); };
    // Keys mostly grow with the messages of a file: then they are in order already.
    if (!std::is_sorted(index.markers.begin(), index.markers.end(), byKey)) {
        std::sort(index.markers.begin(), index.markers.end(), byKey);
    }
    index.markers.shrink_to_fit();
    index.textLines.shrink_to_fit();
    index.texts.shrink_to_fit();
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
        auto index = std::make_shared<const FileIndex>(Index(*open.lines));
        open.lines->Release();  // the end of the file, where indexing stopped, is read no more
        return index;
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
    const FileIndex::Marker* marker = index.Find(record.messageKey);
    const FileIndex::State& before = marker == nullptr ? index.atEnd : marker->state;

    MessageFields fields;
    fields.body = std::move(spareBody_);
    fields.body.clear();
    fields.sentDate = index.TextOf(before.sentDate);
    fields.sentDateTime = index.TextOf(before.sentDateTime);
    // The charset of the message file is looked for only while the index names none.
    if (record.bodyCharset.empty()) fields.messageCharset = index.TextOf(before.charset);
    if (marker != nullptr && open->lines->SeekTo(marker->nextLine)) {
        MessageScanState state;
        state.found = true;
        state.multipart = before.multipart;
        state.delimiter = index.TextOf(before.delimiter);
        // Only the lines the index found texts in are searched for them again.
        auto textLine = std::lower_bound(index.textLines.begin(), index.textLines.end(), marker->nextLine);
        std::uint64_t start = marker->nextLine;
        std::string_view line;
        while (open->lines->ReadLine(line)) {
            LineTexts texts;
            if (textLine != index.textLines.end() && *textLine == start) {
                texts = FindLineTexts(line);
                ++textLine;
            }
            if (ScanMessageLine(record, line, texts, state, fields)) break;
            start = open->lines->BytesConsumed();
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
