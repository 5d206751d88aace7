#include "convert/output_document.h"

#include "decode/charset.h"

namespace vellum {

void AppendRecord(OutputDocument& document, const IndexRecord& record, const MessageFields& fields) {
    AppendRecordHeader(document, record, fields);
    document += fields.body;
}

void AppendRecordHeader(OutputDocument& document, const IndexRecord& record, const MessageFields& fields) {
    const auto field = [&record](std::string_view text) {
        return AnsiToWide(ConvertCharsetToAnsi(record.fieldCharset, text));
    };
    document += u"#S\n#W80\n#T";
    document += field(record.subject);
    document += u"\n#K";
    document += field(record.senderAddress);
    document += u"＠差出人\n#K";
    document += field(record.senderName);
    document += u"＠氏名\n";
    for (const std::string& recipient : record.recipients) {
        document += u"#K";
        document += field(recipient);
        document += u"＠受取人\n";
    }
    document += u"#K";
    document += AnsiToWide(fields.sentDate);
    document += u"\n#K";
    document += AnsiToWide(fields.sentDateTime);
    document += u"＠送信日時\n#K";
    document += field(record.messageId);
    document += u"＠ＩＤ\n";
}

void AppendFileBytes(std::string& out, std::u16string_view document) {
    out.reserve(out.size() + document.size() * 3);  // room for the longest form, grown once
    std::size_t start = 0;
    for (std::size_t lf = document.find(u'\n'); lf != std::u16string_view::npos; lf = document.find(u'\n', start)) {
        AppendUtf8(out, document.substr(start, lf - start));
        out += "\r\n";
        start = lf + 1;
    }
    AppendUtf8(out, document.substr(start));
}

}  // namespace vellum
