// The tagged text of one record of the output document.
#pragma once
#include <string>
#include <string_view>

#include "convert/index_reader.h"
#include "convert/message_parser.h"

namespace vellum {

// The document as UTF-16 with "\n" line ends; the file holds it as UTF-8 with CR LF.
using OutputDocument = std::u16string;

// Appends "#S", "#W80", "#T" subject, the "#K" lines (sender, name, recipients, dates, ID) and
// the body. Index fields are converted with the record's fieldCharset.
void AppendRecord(OutputDocument& document, const IndexRecord& record, const MessageFields& fields);
// The same without the body, for a body whose start went to a scratch file.
void AppendRecordHeader(OutputDocument& document, const IndexRecord& record, const MessageFields& fields);

// The file form of document text: UTF-8 without byte-order mark, each "\n" as CR LF.
void AppendFileBytes(std::string& out, std::u16string_view document);

}  // namespace vellum
