#include "convert/body_extraction.h"

#include <algorithm>

#include "util/strings.h"

namespace vellum {

void CheckMessageStructure(MessageScanState& state, std::string_view line, const LineTexts& texts) {
    if (!texts.contentType) return;
    // The first item naming either decides. Neither text holds a blank, so that item is the one
    // around the first place where either stands; text/plain wins within it.
    const std::size_t at = std::min(line.find("text/plain"), line.find("boundary="));
    if (at == std::string_view::npos) return;
    const std::string_view item = FieldAt(line, ' ', at);
    if (Contains(item, "text/plain")) {
        state.multipart = false;
    } else {
        state.multipart = true;
        state.delimiter = "--" + ParameterValue(std::string(item), "boundary=");
    }
}

MultipartVerdict ApplyMultipartRules(MessageScanState& state, std::string_view line, const LineTexts& texts,
                                     MessageFields& fields) {
    if (state.lineNo == 3 && texts.contentType) {
        // The part header may name the boundary again; the last such item wins, the one around
        // the last "boundary=".
        if (const std::size_t at = line.rfind("boundary="); at != std::string_view::npos) {
            state.delimiter = "--" + ParameterValue(std::string(FieldAt(line, ' ', at)), "boundary=");
        }
    } else if (state.lineNo >= 4 && texts.mimeVersion) {
        state.mimeSeen = true;
    }

    if (state.bodyStarted && state.converter.AnsiEquals(state.delimiter)) return MultipartVerdict::End;

    bool taken = false;
    if (state.lineNo >= 2) {
        if (state.converter.AnsiEquals(state.delimiter)) {
            state.delimiterSeen = true;
            return MultipartVerdict::Skip;
        }
        if (!state.delimiterSeen) {
            AppendBodyLine(state, fields);
            state.bodyStarted = true;
            taken = true;
        }
    }
    if (state.mimeSeen && state.linesSinceMime >= 2 && !taken) {
        AppendBodyLine(state, fields);
        state.bodyStarted = true;
    }
    return MultipartVerdict::GoOn;
}

}  // namespace vellum
