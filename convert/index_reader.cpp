#include "convert/index_reader.h"

#include <array>

#include "util/mail_address.h"
#include "util/strings.h"

namespace vellum {

void IndexRecord::Clear() {
    messageKey.clear();
    messageFilePath.clear();
    subject.clear();
    senderAddress.clear();
    senderName.clear();
    recipients.clear();
    messageId.clear();
    bodyCharset.clear();
    fieldCharset.clear();
}

namespace {

// The pieces between commas, walked in place: a field of commas must not become millions of
// strings. The first empty piece ends the list (an empty piece after a final comma included).
void ParseRecipients(std::string_view field, std::vector<std::string>& recipients) {
    for (std::size_t start = 0;;) {
        const std::size_t comma = field.find(',', start);
        const std::string_view piece = field.substr(start, comma - start);
        if (piece.empty()) break;
        std::string address = ExtractMailAddress(piece);
        if (!address.empty()) recipients.push_back(std::move(address));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

// The message file of a stem from the index, appended to `path`.
void AppendMessageFilePath(std::string& path, const std::string& folderPath, std::string_view stem) {
    path.append(folderPath).append(stem).append(".bmf");
}

}  // namespace

std::optional<std::string> MessageFilePathOf(std::string_view line, const std::string& folderPath) {
    // Fields 0 to 2 alone, cut in place: this runs over every index line before the conversion
    // starts.
    std::array<std::string_view, 3> fields;
    if (SplitViewsByChar(line, '\x01', fields) < 3) return std::nullopt;
    std::string path;
    AppendMessageFilePath(path, folderPath, fields[2]);
    return path;
}

bool ParseIndexLine(std::string_view line, const std::string& folderPath, IndexRecord& record) {
    record.Clear();
    // Views of the fields up to field 19, the last one read; only the fields the record keeps
    // become strings, written into the record's own strings.
    std::array<std::string_view, 20> fields;
    const std::size_t count = SplitViewsByChar(line, '\x01', fields);
    if (count < 3) return false;
    const auto isAnyOf = [](std::string_view removed) { return [removed](char c) { return removed.find(c) != std::string_view::npos; }; };
    for (std::size_t position = 1; position < count; ++position) {
        const std::string_view field = fields[position];
        switch (position) {
            case 1: record.messageKey = field; break;
            case 2: AppendMessageFilePath(record.messageFilePath, folderPath, field); break;
            case 3: record.subject = field; break;
            case 4:
                record.senderAddress = ExtractMailAddress(field);
                record.senderName = field;
                ReplaceAll(record.senderName, record.senderAddress, "");
                std::erase_if(record.senderName, isAnyOf("<> \""));  // each of them, as one pass
                break;
            case 5: ParseRecipients(field, record.recipients); break;
            case 6:
                record.messageId = field;
                std::erase_if(record.messageId, isAnyOf("<>"));
                break;
            case 16:
                record.bodyCharset = field;
                std::erase(record.bodyCharset, '<');
                break;
            case 19:
                record.fieldCharset = field;
                std::erase(record.fieldCharset, ';');
                if (record.fieldCharset.empty()) record.fieldCharset = record.bodyCharset;
                break;
            default: break;
        }
    }
    return true;
}

}  // namespace vellum
