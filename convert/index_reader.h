// Reads one line of a folder's index ("Folder.idx": fields separated by the byte 0x01).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

struct IndexRecord {
    std::string messageKey;       // field 1: finds the message by its status line
    std::string messageFilePath;  // folder path + field 2 + ".bmf"
    std::string subject;          // field 3
    std::string senderAddress;    // field 4, the address alone
    std::string senderName;       // field 4 without the address, "<", ">", " " and '"'
    std::vector<std::string> recipients;  // field 5, one address per comma-separated piece
    std::string messageId;        // field 6 without "<" and ">"
    std::string bodyCharset;      // field 16 without "<"
    std::string fieldCharset;     // field 19 without ";", else bodyCharset

    void Clear();
};

// Empties `record` and fills it from `line` (without its line end). False when the line is not a
// record (fewer than 3 fields); the record is then empty.
bool ParseIndexLine(std::string_view line, const std::string& folderPath, IndexRecord& record);
// The message file an index line names, exactly as ParseIndexLine gives it, without the rest of
// the work; nothing for a line ParseIndexLine skips.
std::optional<std::string> MessageFilePathOf(std::string_view line, const std::string& folderPath);

}  // namespace vellum
