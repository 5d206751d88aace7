#include "convert/conversion_run.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <unordered_set>
#include <vector>

#include "convert/index_reader.h"
#include "convert/message_store.h"
#include "convert/output_document.h"
#include "platform/platform.h"
#include "util/folder_scan.h"
#include "util/line_reader.h"
#include "util/strings.h"
#include "util/worker_threads.h"

namespace vellum {

std::string currentFolderPath;
std::string outputFolder;
std::string outputFileName;

int RunOutcome::Result() const {
    return status == RunStatus::Written || status == RunStatus::OutputFolderMissing ? 0 : 1;
}

OutcomeMessage MessageFor(RunStatus status) {
    static constexpr const char* kError = "エラー";
    switch (status) {
        case RunStatus::Written: return {"出力しました。\n", "ベラムテキスト変換(UTF-8)"};
        case RunStatus::OutputFolderMissing: return {"出力フォルダが存在しません。\n", kError};
        case RunStatus::IndexUnreadable: return {"インデックスファイルを開けません。\n", kError};
        case RunStatus::MessageFileUnreadable: return {"メールファイルを開けません。\n", kError};
        case RunStatus::OutputUnwritable: return {"出力ファイルを書き込めません。\n", kError};
    }
    return {"", kError};
}

std::string JoinFolderPath(const std::string& dataFolder, const std::string& currentFolder) {
    return platform::JoinPath(dataFolder, currentFolder);
}

std::string OutputFileNameFor(const std::string& folderPath) {
    std::string name = platform::LastPathComponent(folderPath);
    ReplaceAll(name, "\\", "");
    return name + ".REN";
}

namespace {

// Records converted together on one worker thread, and the part of the document they give.
struct RecordBatch {
    std::vector<IndexRecord> records;
    // The batch's bytes in order: each piece is its scratch file's content, if any, then `bytes`.
    struct Piece {
        std::unique_ptr<platform::ScratchFile> file;
        std::string bytes;
    };
    std::vector<Piece> pieces;
    std::size_t converted = 0;  // fewer than all when a record's message file cannot be read
    bool outputFailed = false;  // a scratch file could not be written
    bool outOfMemory = false;

    void Finish() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        finished_.notify_all();
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [this] { return done_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable finished_;
    bool done_ = false;
};

// More than `heldBytes` of a piece go on in its scratch file, so that a batch of long messages
// holds no more memory than one long body.
void HoldAtMost(RecordBatch& batch, std::size_t heldBytes, const std::string& scratchFolder) {
    RecordBatch::Piece& piece = batch.pieces.back();
    if (piece.bytes.size() < heldBytes) return;
    if (!piece.file) piece.file = platform::CreateScratchFile(scratchFolder);
    if (!piece.file || !piece.file->Write(piece.bytes.data(), piece.bytes.size())) {
        batch.outputFailed = true;
        return;
    }
    piece.bytes.clear();
}

// On a worker thread: the batch's records in order, up to the first whose message file cannot
// be read. `keepOutput` is false when the document could not even be created: the records are
// still read, so that an unreadable message file is reported first, as it would be met first.
void ConvertBatch(RecordBatch& batch, MessageStore& store, bool keepOutput, std::size_t heldBytes,
                  const std::string& scratchFolder) {
    try {
        // Room for a batch of messages of common size from the start, not grown to it by copies.
        batch.pieces.emplace_back().bytes.reserve(std::min<std::size_t>(heldBytes, 1 << 20));
        for (IndexRecord& record : batch.records) {
            std::optional<MessageFields> fields = ParseMessageFile(record, store);
            if (!fields) break;
            ++batch.converted;
            if (!keepOutput || batch.outputFailed) continue;
            if (fields->spillFailed) {
                batch.outputFailed = true;
                continue;
            }
            if (!fields->spilledBody) {
                AppendRecord(batch.pieces.back().bytes, record, *fields);
                store.Recycle(std::move(fields->body));
            } else {
                AppendRecordHeader(batch.pieces.back().bytes, record, *fields);
                batch.pieces.push_back({std::move(fields->spilledBody), std::move(fields->body)});
            }
            HoldAtMost(batch, heldBytes, scratchFolder);
        }
    } catch (...) {
        // Out of memory, or a string past its largest size on a 32-bit system: the run ends as
        // the document could not be completed. Nothing may leave a worker thread.
        batch.outOfMemory = true;
    }
    batch.Finish();
}

// On the run's own thread, in record order.
bool WriteBatch(platform::OutputFile& output, RecordBatch& batch, std::uint64_t& written) {
    std::string chunk;
    for (RecordBatch::Piece& piece : batch.pieces) {
        if (piece.file) {
            if (!piece.file->Rewind()) return false;
            chunk.resize(1 << 20);
            for (std::size_t n; (n = piece.file->Read(chunk.data(), chunk.size())) > 0;) {
                if (!output.Write(chunk.data(), n)) return false;
                written += n;
            }
        }
        if (!output.Write(piece.bytes.data(), piece.bytes.size())) return false;
        written += piece.bytes.size();
        piece = {};  // memory and scratch file go as soon as they are written
    }
    return true;
}

RunOutcome ConvertFolderOrThrow(const RunPaths& paths, const RunProgress& progress, const RunLimits& limits) {
    RunOutcome outcome;
    if (!platform::PathExists(paths.outputFolder)) {
        outcome.status = RunStatus::OutputFolderMissing;
        outcome.path = paths.outputFolder;
        return outcome;
    }

    std::string indexName;
    for (const std::string& name : ListMailFolder(paths.currentFolderPath)) {
        if (name == "Folder.idx") indexName = name;  // exact case: the host writes it so
    }
    std::unique_ptr<platform::InputFile> index;
    if (!indexName.empty()) index = platform::OpenInputFile(paths.currentFolderPath + indexName);
    const auto indexUnreadable = [&] {
        outcome.status = RunStatus::IndexUnreadable;
        outcome.path = paths.currentFolderPath + "Folder.idx";
        return outcome;
    };
    if (!index) return indexUnreadable();

    // The document goes to a temporary file as it grows and replaces the target only once it is
    // complete.
    const std::string outputFilePath = platform::JoinPath(paths.outputFolder, paths.outputFileName);
    std::unique_ptr<platform::OutputFile> output;
    if (outputFilePath.size() <= platform::kMaxPath) output = platform::CreateOutputFile(outputFilePath);
    bool outputGood = output != nullptr;

    // Worker threads convert batches of records; this thread reads the index, hands out the
    // batches and writes their bytes in record order. Each worker has its own open files; the
    // files' indexes are shared. The stores outlive the threads that use them.
    const auto indexes = std::make_shared<FileIndexes>();
    std::vector<MessageStore> stores;
    WorkerThreads workers(WorkerCount(limits.threads),
                          [locale = platform::CurrentThreadLocale()] { platform::UseThreadLocale(locale); });
    for (std::size_t i = 0; i < workers.Slots(); ++i) {
        stores.emplace_back(paths.outputFolder, limits.bodyBytes, limits.readBufferBytes, indexes, limits.viewBytes);
    }
    const std::size_t batchRecords = std::max<std::size_t>(1, limits.batchRecords);
    const std::size_t maxInFlight = 3 * workers.Slots();
    const bool keepOutput = outputGood;

    std::deque<std::shared_ptr<RecordBatch>> inFlight;
    const auto newBatch = [batchRecords] {
        auto made = std::make_shared<RecordBatch>();
        made->records.reserve(batchRecords);
        return made;
    };
    auto batch = newBatch();
    const auto post = [&] {
        workers.Post([&stores, &paths, keepOutput, heldBytes = limits.bodyBytes, posted = batch](std::size_t worker) {
            ConvertBatch(*posted, stores[worker], keepOutput, heldBytes, paths.outputFolder);
        });
        inFlight.push_back(std::move(batch));
        batch = newBatch();
    };
    // Records of batches written go back to the reading of the index, which fills their strings
    // again: a record's dozen strings are then not allocated and freed again for every line.
    std::vector<IndexRecord> spareRecords;
    // The oldest batch into the document. False when the run ends on an unreadable message file.
    const auto writeOldest = [&] {
        RecordBatch& oldest = *inFlight.front();
        oldest.Wait();
        if (oldest.outOfMemory) throw std::bad_alloc();
        if (outputGood) outputGood = !oldest.outputFailed && WriteBatch(*output, oldest, outcome.bytesWritten);
        for (std::size_t i = 0; i < oldest.converted; ++i) {
            ++outcome.records;
            if (progress) progress(outcome);
        }
        if (oldest.converted < oldest.records.size()) {
            outcome.status = RunStatus::MessageFileUnreadable;
            outcome.path = oldest.records[oldest.converted].messageFilePath;
            return false;  // the temporary file goes with `output`
        }
        for (IndexRecord& done : oldest.records) spareRecords.push_back(std::move(done));
        inFlight.pop_front();
        return true;
    };

    // The message files in the order the index first names them: when the records of one file
    // begin, the next file's index is built on another thread, ready when its records come.
    LineReader lines(*index);
    std::string line;
    std::vector<std::string> messageFiles;
    std::unordered_set<std::string> named;
    // Records of one file mostly follow one another: a file like the last one is known already.
    std::string lastFile;
    while (lines.ReadLine(line)) {
        std::optional<std::string> path = MessageFilePathOf(line, paths.currentFolderPath);
        if (!path || *path == lastFile) continue;
        lastFile = *path;
        if (named.insert(*path).second) messageFiles.push_back(std::move(*path));
    }
    if (!lines.SeekTo(0)) return indexUnreadable();
    named.clear();
    lastFile.clear();
    std::size_t prepared = 0;
    const auto prepareUpTo = [&](std::size_t count) {
        for (; prepared < std::min(count, messageFiles.size()); ++prepared) {
            // The path goes with the task: a task may still run while the run returns early.
            workers.Post([&stores, path = messageFiles[prepared]](std::size_t worker) {
                try {
                    stores[worker].Prepare(path);
                } catch (...) {
                    // The record that needs the index tries again and reports it.
                }
            });
        }
    };

    IndexRecord record;
    while (lines.ReadLine(line)) {
        if (!ParseIndexLine(line, paths.currentFolderPath, record)) continue;
        if (record.messageFilePath != lastFile) {
            lastFile = record.messageFilePath;
            if (named.insert(record.messageFilePath).second) prepareUpTo(named.size() + 1);
        }
        batch->records.push_back(std::move(record));
        if (!spareRecords.empty()) {
            record = std::move(spareRecords.back());
            spareRecords.pop_back();
        }
        if (batch->records.size() >= batchRecords) post();
        while (inFlight.size() > maxInFlight) {
            if (!writeOldest()) return outcome;
        }
    }
    index.reset();
    if (!batch->records.empty()) post();
    while (!inFlight.empty()) {
        if (!writeOldest()) return outcome;
    }

    if (!outputGood || !output->Commit()) {
        outcome.status = RunStatus::OutputUnwritable;
        outcome.path = outputFilePath;
        return outcome;
    }
    outcome.status = RunStatus::Written;
    outcome.path = outputFilePath;
    return outcome;
}

}  // namespace

RunOutcome ConvertFolder(const RunPaths& paths, const RunProgress& progress, const RunLimits& limits) {
    try {
        return ConvertFolderOrThrow(paths, progress, limits);
    } catch (const std::bad_alloc&) {
        // Out of memory (a huge line in a 32-bit process): the document cannot be completed.
        // Everything the run held is released by now, the temporary file included.
        RunOutcome outcome;
        outcome.status = RunStatus::OutputUnwritable;
        try {
            outcome.path = platform::JoinPath(paths.outputFolder, paths.outputFileName);
        } catch (const std::bad_alloc&) {
            outcome.path.clear();
        }
        return outcome;
    }
}

int ConversionRun() {
    const RunOutcome outcome = ConvertFolder({currentFolderPath, outputFolder, outputFileName});
    const OutcomeMessage message = MessageFor(outcome.status);
    platform::ShowMessage(message.textUtf8, outcome.path, message.captionUtf8);
    return outcome.Result();
}

}  // namespace vellum
