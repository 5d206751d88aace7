#include "convert/conversion_run.h"

#include <new>

#include "convert/index_reader.h"
#include "convert/message_store.h"
#include "convert/output_document.h"
#include "platform/platform.h"
#include "util/folder_scan.h"
#include "util/line_reader.h"
#include "util/strings.h"

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

// Records are gathered and written about a megabyte at a time: a write per record costs the
// system more than the copy into one buffer.
constexpr std::size_t kWriteSize = 1 << 20;

// Writes the pending bytes and empties them.
bool Flush(platform::OutputFile& output, OutputDocument& pending, std::uint64_t& written) {
    written += pending.size();
    const bool good = output.Write(pending.data(), pending.size());
    pending.clear();
    return good;
}

// One record onto the pending bytes; a body too big for memory comes from its scratch file.
bool WriteRecord(platform::OutputFile& output, OutputDocument& pending, const IndexRecord& record,
                 MessageFields& fields, std::uint64_t& written) {
    if (fields.spillFailed) return false;
    if (!fields.spilledBody) {
        AppendRecord(pending, record, fields);
    } else {
        AppendRecordHeader(pending, record, fields);
        if (!Flush(output, pending, written) || !fields.spilledBody->Rewind()) return false;
        std::string chunk(kWriteSize, '\0');
        for (std::size_t n; (n = fields.spilledBody->Read(chunk.data(), chunk.size())) > 0;) {
            if (!output.Write(chunk.data(), n)) return false;
            written += n;
        }
        pending += fields.body;
    }
    return pending.size() < kWriteSize || Flush(output, pending, written);
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
    if (!index) {
        outcome.status = RunStatus::IndexUnreadable;
        outcome.path = paths.currentFolderPath + "Folder.idx";
        return outcome;
    }

    // The document goes to a temporary file as it grows and replaces the target only once it is
    // complete. When it cannot be created the records are still read, so that an unreadable
    // message file is reported first, as it would be met first.
    const std::string outputFilePath = platform::JoinPath(paths.outputFolder, paths.outputFileName);
    std::unique_ptr<platform::OutputFile> output;
    if (outputFilePath.size() <= platform::kMaxPath) output = platform::CreateOutputFile(outputFilePath);
    bool outputGood = output != nullptr;

    LineReader lines(*index);
    std::string line;
    IndexRecord record;
    MessageStore messages(paths.outputFolder, limits.bodyBytes, limits.readBufferBytes);
    OutputDocument pending;
    while (lines.ReadLine(line)) {
        if (!ParseIndexLine(line, paths.currentFolderPath, record)) continue;
        std::optional<MessageFields> fields = ParseMessageFile(record, messages);
        if (!fields) {
            outcome.status = RunStatus::MessageFileUnreadable;
            outcome.path = record.messageFilePath;
            return outcome;  // the temporary file goes with `output`
        }
        ++outcome.records;
        if (outputGood) outputGood = WriteRecord(*output, pending, record, *fields, outcome.bytesWritten);
        if (progress) progress(outcome);
    }
    index.reset();

    if (!outputGood || !Flush(*output, pending, outcome.bytesWritten) || !output->Commit()) {
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
