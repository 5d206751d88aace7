#include "convert/body_extraction.h"

#include "util/strings.h"

namespace vellum {

void CheckMessageStructure(MessageScanState& state, std::string_view line, const LineTexts& texts) {
    if (!texts.contentType) return;
    for (const std::string& item : SplitByChar(line, ' ')) {
        if (Contains(item, "text/plain")) {
            state.multipart = false;
            return;
        }
        if (Contains(item, "boundary=")) {
            state.multipart = true;
            state.delimiter = "--" + ParameterValue(item, "boundary=");
            return;
        }
    }
}

MultipartVerdict ApplyMultipartRules(MessageScanState& state, std::string_view line, const LineTexts& texts,
                                     std::string_view convertedLine, MessageFields& fields) {
    if (state.lineNo == 3 && texts.contentType) {
        // The part header may name the boundary again; the last such item wins.
        for (const std::string& item : SplitByChar(line, ' ')) {
            if (Contains(item, "boundary=")) state.delimiter = "--" + ParameterValue(item, "boundary=");
        }
    } else if (state.lineNo >= 4 && texts.mimeVersion) {
        state.mimeSeen = true;
    }

    if (state.bodyStarted && convertedLine == state.delimiter) return MultipartVerdict::End;

    bool taken = false;
    if (state.lineNo >= 2) {
        if (convertedLine == state.delimiter) {
            state.delimiterSeen = true;
            return MultipartVerdict::Skip;
        }
        if (!state.delimiterSeen) {
            AppendBodyLine(state, fields, convertedLine);
            state.bodyStarted = true;
            taken = true;
        }
    }
    if (state.mimeSeen && state.linesSinceMime >= 2 && !taken) {
        AppendBodyLine(state, fields, convertedLine);
        state.bodyStarted = true;
    }
    return MultipartVerdict::GoOn;
}

}  // namespace vellum
