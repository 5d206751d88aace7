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

void ParseRecipients(std::string_view field, std::vector<std::string>& recipients) {
    for (const std::string& piece : SplitByChar(field, ',')) {
        if (piece.empty()) break;  // the first empty piece ends the list
        std::string address = ExtractMailAddress(piece);
        if (!address.empty()) recipients.push_back(std::move(address));
    }
}

}  // namespace

bool ParseIndexLine(std::string_view line, const std::string& folderPath, IndexRecord& record) {
    record.Clear();
    std::vector<std::string> fields = SplitByChar(line, '\x01');
    if (fields.size() < 3) return false;
    for (std::size_t position = 1; position < fields.size(); ++position) {
        std::string& field = fields[position];
        switch (position) {
            case 1: record.messageKey = field; break;
            case 2: record.messageFilePath = folderPath + field + ".bmf"; break;
            case 3: record.subject = field; break;
            case 4:
                record.senderAddress = ExtractMailAddress(field);
                ReplaceAll(field, record.senderAddress, "");
                for (std::string_view removed : {"<", ">", " ", "\""}) ReplaceAll(field, removed, "");
                record.senderName = field;
                break;
            case 5: ParseRecipients(field, record.recipients); break;
            case 6:
                ReplaceAll(field, "<", "");
                record.messageId = ReplaceAll(field, ">", "");
                break;
            case 16: record.bodyCharset = ReplaceAll(field, "<", ""); break;
            case 19:
                ReplaceAll(field, ";", "");
                record.fieldCharset = field.empty() ? record.bodyCharset : field;
                break;
            default: break;
        }
    }
    return true;
}

}  // namespace vellum
