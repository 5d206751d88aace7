#include "tests/literal_reference.h"

#include "convert/output_document.h"
#include "platform/platform.h"
#include "util/folder_scan.h"
#include "util/line_reader.h"

namespace vellum::test {

std::optional<MessageFields> ParseMessageFileLiterally(IndexRecord& record) {
    std::unique_ptr<platform::InputFile> file = platform::OpenInputFile(record.messageFilePath);
    if (!file) return std::nullopt;
    MessageScanState state;
    MessageFields fields;
    LineReader reader(*file);
    std::string line;
    while (reader.ReadLine(line)) {
        if (ScanMessageLine(record, line, state, fields)) break;
    }
    file.reset();
    CompleteCharsets(record, fields);
    return fields;
}

LiteralResult ConvertFolderLiterally(const std::string& folderPath) {
    LiteralResult result;
    bool hasIndex = false;
    for (const std::string& name : ListMailFolder(folderPath)) hasIndex = hasIndex || name == "Folder.idx";
    std::unique_ptr<platform::InputFile> index;
    if (hasIndex) index = platform::OpenInputFile(folderPath + "Folder.idx");
    if (!index) {
        result.status = RunStatus::IndexUnreadable;
        return result;
    }
    OutputDocument document;
    LineReader lines(*index);
    std::string line;
    IndexRecord record;
    while (lines.ReadLine(line)) {
        if (!ParseIndexLine(line, folderPath, record)) continue;
        std::optional<MessageFields> fields = ParseMessageFileLiterally(record);
        if (!fields) {
            result.status = RunStatus::MessageFileUnreadable;
            return result;
        }
        AppendRecord(document, record, *fields);
    }
    result.document = std::move(document);
    return result;
}

}  // namespace vellum::test
