// Finds an indexed message in its message file (".bmf", many messages one after another) by its
// status line and collects its body, its dates and, where the index names none, its charset.
#pragma once
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "convert/index_reader.h"
#include "decode/charset.h"
#include "platform/platform.h"

namespace vellum {

struct MessageScanState {
    bool found = false;          // the marker line has been read; never cleared
    int lineNo = 0;              // message lines read after the marker, the first being 1
    bool multipart = false;
    std::string delimiter;       // "--" + boundary
    bool mimeSeen = false;
    int linesSinceMime = 0;
    bool bodyStarted = false;
    bool delimiterSeen = false;
    int trailingBlanks = 0;      // empty lines appended since the last non-empty one
    LineConverter converter;     // the current message line in the record's body charset
};

// Which of the texts that the line rules test for a raw line holds. Each of them ends in ':' or
// '=', so only the places of those bytes are looked at: a line without either is done with two
// memchr calls.
struct LineTexts {
    bool date = false;         // "Date:"
    bool status = false;       // "X-Becky-Status:"
    bool contentType = false;  // "Content-Type:"
    bool mimeVersion = false;  // "Mime-Version:"
    bool charset = false;      // "charset="

    bool Any() const { return date || status || contentType || mimeVersion || charset; }
};
LineTexts FindLineTexts(std::string_view line);
// Where in `lines`, bytes that begin at a line start, the first of those texts ends (at its ':'
// or '='); npos when none does. The lines before the one holding it give FindLineTexts nothing.
std::size_t FindFirstLineText(std::string_view lines);

// The key a status line carries: item 5 of the line cut at every "," as SplitByChar cuts it,
// when there are at least six items.
std::optional<std::string_view> StatusKey(std::string_view line);

struct MessageFields {
    // Kept in the document file's own form, UTF-8 with CR LF line ends, so that it is written out
    // as it stands.
    std::string body;
    // A body too big for memory begins here; `body` then holds the rest. A spill that could not
    // be written is a failure of the output.
    std::unique_ptr<platform::ScratchFile> spilledBody;
    bool spillFailed = false;
    std::string sentDate;
    std::string sentDateTime;
    std::string messageCharset;  // the last "charset=" value read while the index named none
};

// The value of a "name=value" item: every `name` removed, then one trailing ";", then one pair of
// enclosing double quotes, so boundary="XYZ"; and charset=utf-8; give XYZ and utf-8.
std::string ParameterValue(std::string item, std::string_view name);
// The ParameterValue of the first blank-separated item of `line` that holds "charset="; the line
// must hold that text.
std::string CharsetValue(std::string_view line);

// The body up to its trailing empty lines, which the end of the message takes away again.
std::size_t SettledBodySize(const MessageScanState& state, const MessageFields& fields);
// The converted line (`state.converter`) into the body: an empty one as a line end counted as
// trailing blank, any other in UTF-8 followed by a line end.
void AppendBodyLine(MessageScanState& state, MessageFields& fields);
// The end of the message: trailing empty lines dropped, then the end mark (a line end, "#E" and
// two line ends).
void FinishBody(const MessageScanState& state, MessageFields& fields);

// One line of the message file, in file order. True when the message has ended (stop reading).
bool ScanMessageLine(const IndexRecord& record, std::string_view line, MessageScanState& state,
                     MessageFields& fields);
// The same for a line whose FindLineTexts are known.
bool ScanMessageLine(const IndexRecord& record, std::string_view line, const LineTexts& texts,
                     MessageScanState& state, MessageFields& fields);
// After the last line read: the record's charsets fall back to what the message file said.
void CompleteCharsets(IndexRecord& record, const MessageFields& fields);

}  // namespace vellum
