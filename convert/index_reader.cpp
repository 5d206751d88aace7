#include "convert/index_reader.h"

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

// The message file of a stem from the index.
std::string MessageFilePath(const std::string& folderPath, std::string_view stem) {
    return folderPath + std::string(stem) + ".bmf";
}

}  // namespace

std::optional<std::string> MessageFilePathOf(std::string_view line, const std::string& folderPath) {
    // Field 2 as SplitByChar cuts the line, found in place: this runs over every index line
    // before the conversion starts. A delimiter at the very end starts no field.
    const std::size_t first = line.find('\x01');
    const std::size_t second = first == std::string_view::npos ? first : line.find('\x01', first + 1);
    if (second == std::string_view::npos || second + 1 >= line.size()) return std::nullopt;
    const std::size_t third = line.find('\x01', second + 1);
    return MessageFilePath(folderPath, line.substr(second + 1, third == std::string_view::npos ? third : third - second - 1));
}

bool ParseIndexLine(std::string_view line, const std::string& folderPath, IndexRecord& record) {
    record.Clear();
    // Views of the line: only the fields the record keeps become strings.
    const std::vector<std::string_view> fields = SplitViewsByChar(line, '\x01', 20);  // field 19 is the last one read
    if (fields.size() < 3) return false;
    for (std::size_t position = 1; position < fields.size(); ++position) {
        const std::string_view field = fields[position];
        switch (position) {
            case 1: record.messageKey = field; break;
            case 2: record.messageFilePath = MessageFilePath(folderPath, field); break;
            case 3: record.subject = field; break;
            case 4: {
                record.senderAddress = ExtractMailAddress(field);
                std::string name(field);
                ReplaceAll(name, record.senderAddress, "");
                for (std::string_view removed : {"<", ">", " ", "\""}) ReplaceAll(name, removed, "");
                record.senderName = std::move(name);
                break;
            }
            case 5: ParseRecipients(field, record.recipients); break;
            case 6: {
                std::string id(field);
                ReplaceAll(id, "<", "");
                ReplaceAll(id, ">", "");
                record.messageId = std::move(id);
                break;
            }
            case 16: {
                std::string charset(field);
                ReplaceAll(charset, "<", "");
                record.bodyCharset = std::move(charset);
                break;
            }
            case 19: {
                std::string charset(field);
                ReplaceAll(charset, ";", "");
                record.fieldCharset = charset.empty() ? record.bodyCharset : charset;
                break;
            }
            default: break;
        }
    }
    return true;
}

}  // namespace vellum
