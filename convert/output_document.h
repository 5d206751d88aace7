// The tagged text of one record of the output document.
#pragma once
#include <string>
#include <string_view>

#include "convert/index_reader.h"
#include "convert/message_parser.h"

namespace vellum {

// The document is kept in its file form from the start, UTF-8 without byte-order mark and CR LF
// line ends, so that it is written out as it stands.
using OutputDocument = std::string;

// Appends "#S", "#W80", "#T" subject, the "#K" lines (sender, name, recipients, dates, ID) and
// the body. Index fields are converted with the record's fieldCharset.
void AppendRecord(OutputDocument& document, const IndexRecord& record, const MessageFields& fields);
// The same without the body, for a body whose start went to a scratch file.
void AppendRecordHeader(OutputDocument& document, const IndexRecord& record, const MessageFields& fields);

}  // namespace vellum
