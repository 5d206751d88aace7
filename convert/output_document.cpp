#include "convert/output_document.h"

#include "decode/charset.h"

namespace vellum {

void AppendRecord(OutputDocument& document, const IndexRecord& record, const MessageFields& fields) {
    AppendRecordHeader(document, record, fields);
    document += fields.body;
}

void AppendRecordHeader(OutputDocument& document, const IndexRecord& record, const MessageFields& fields) {
    std::string ansi;
    const auto field = [&](std::string_view text) {
        ConvertCharsetToAnsi(record.fieldCharset, text, ansi);
        AnsiToUtf8(ansi, document);
    };
    document += "#S\r\n#W80\r\n#T";
    field(record.subject);
    document += "\r\n#K";
    field(record.senderAddress);
    document += "＠差出人\r\n#K";
    field(record.senderName);
    document += "＠氏名\r\n";
    for (const std::string& recipient : record.recipients) {
        document += "#K";
        field(recipient);
        document += "＠受取人\r\n";
    }
    document += "#K";
    AnsiToUtf8(fields.sentDate, document);
    document += "\r\n#K";
    AnsiToUtf8(fields.sentDateTime, document);
    document += "＠送信日時\r\n#K";
    field(record.messageId);
    document += "＠ＩＤ\r\n";
}

}  // namespace vellum
