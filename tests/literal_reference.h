// The conversion read literally: every record's message file from its first line, the whole
// document held in memory. Slow (quadratic in the messages of a file) and kept only as the
// reference that the run must match byte for byte.
#pragma once
#include <optional>
#include <string>

#include "convert/conversion_run.h"
#include "convert/index_reader.h"
#include "convert/message_parser.h"

namespace vellum::test {

std::optional<MessageFields> ParseMessageFileLiterally(IndexRecord& record);

struct LiteralResult {
    RunStatus status = RunStatus::Written;  // Written, IndexUnreadable or MessageFileUnreadable
    std::string document;                   // the file's bytes when Written
};
LiteralResult ConvertFolderLiterally(const std::string& folderPath);

}  // namespace vellum::test
