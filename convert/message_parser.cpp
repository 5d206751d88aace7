#include "convert/message_parser.h"

#include "convert/body_extraction.h"
#include "decode/charset.h"
#include "util/date.h"
#include "util/strings.h"

namespace vellum {

std::string ParameterValue(std::string item, std::string_view name) {
    ReplaceAll(item, name, "");
    if (!item.empty() && item.back() == ';') item.pop_back();
    if (item.size() >= 2 && item.front() == '"' && item.back() == '"') item = item.substr(1, item.size() - 2);
    return item;
}

void AppendBodyLine(MessageScanState& state, MessageFields& fields, std::string_view convertedLine) {
    if (convertedLine.empty()) {
        fields.body.push_back(u'\n');
        ++state.trailingBlanks;
        return;
    }
    fields.body += AnsiToWide(convertedLine);
    fields.body.push_back(u'\n');
    state.trailingBlanks = 0;
}

void FinishBody(const MessageScanState& state, MessageFields& fields) {
    fields.body.resize(fields.body.size() - static_cast<std::size_t>(state.trailingBlanks));
    fields.body += u"\n#E\n\n";
}

bool ScanMessageLine(const IndexRecord& record, std::string_view line, MessageScanState& state,
                     MessageFields& fields) {
    if (state.found) {
        const std::string converted = ConvertCharsetToAnsi(record.bodyCharset, line);
        ++state.lineNo;
        if (state.mimeSeen) ++state.linesSinceMime;
        if (state.multipart) {
            switch (ApplyMultipartRules(state, line, converted, fields)) {
                case MultipartVerdict::End: FinishBody(state, fields); return true;
                case MultipartVerdict::Skip: return false;
                case MultipartVerdict::GoOn: break;
            }
        } else if (converted == ".") {
            FinishBody(state, fields);
            return true;
        } else if (state.lineNo >= 2) {
            AppendBodyLine(state, fields, converted);  // the first line after the marker never enters
        }
    } else {
        CheckMessageStructure(state, line);
    }

    if (Contains(line, "Date:")) {
        if (std::optional<SentDate> date = NormaliseDate(line)) {
            fields.sentDate = std::move(date->sentDate);
            fields.sentDateTime = std::move(date->sentDateTime);
        }
    }
    if (Contains(line, "X-Becky-Status:")) {
        const std::vector<std::string> items = SplitByChar(line, ',');
        if (items.size() >= 6 && items[5] == record.messageKey) state.found = true;
    }
    if (record.bodyCharset.empty() && Contains(line, "charset=")) {
        for (const std::string& item : SplitByChar(line, ' ')) {
            if (Contains(item, "charset=")) {
                fields.messageCharset = ParameterValue(item, "charset=");
                break;
            }
        }
    }
    return false;
}

void CompleteCharsets(IndexRecord& record, const MessageFields& fields) {
    if (record.bodyCharset.empty()) record.bodyCharset = fields.messageCharset;
    if (record.fieldCharset.empty()) record.fieldCharset = record.bodyCharset;
}

}  // namespace vellum
