// Which lines of a multipart message enter the body, and where such a message ends.
#pragma once
#include <string_view>

#include "convert/message_parser.h"

namespace vellum {

// For each line before the marker: the last "Content-Type:" line naming text/plain or a
// boundary decides whether the message is read as multipart, and its delimiter. `texts` are
// FindLineTexts(line).
void CheckMessageStructure(MessageScanState& state, std::string_view line, const LineTexts& texts);

enum class MultipartVerdict {
    End,   // the message ends here
    Skip,  // the line is done with (a first delimiter)
    GoOn,  // the line goes on to the date, marker and charset tests
};

// For each message line while the message is multipart, after lineNo and linesSinceMime rose
// and the line was converted (`state.converter`).
MultipartVerdict ApplyMultipartRules(MessageScanState& state, std::string_view line, const LineTexts& texts,
                                     MessageFields& fields);

}  // namespace vellum
