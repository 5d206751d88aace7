#include "convert/message_parser.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// True when `text` stands in `line` right before position `end`.
bool EndsAt(std::string_view line, std::size_t end, std::string_view text) {
    return end >= text.size() && line.compare(end - text.size(), text.size(), text) == 0;
}

// Calls `at(position)` for every ':' and '=' of `line`, in order. Every line of every message
// file is searched so, twice in a run; sixteen bytes at a time where the processor allows, the
// last sixteen overlapping the ones before rather than going byte by byte.
template <class At>
void ForEachColonOrEquals(std::string_view line, At at) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (line.size() >= 16) {
        const __m128i colon = _mm_set1_epi8(':');
        const __m128i equals = _mm_set1_epi8('=');
        const auto hitsAt = [&](std::size_t from) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + from));
            return static_cast<unsigned>(
                _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, colon), _mm_cmpeq_epi8(bytes, equals))));
        };
        for (; i + 16 <= line.size(); i += 16) {
            for (unsigned hits = hitsAt(i); hits != 0; hits &= hits - 1) at(i + static_cast<std::size_t>(std::countr_zero(hits)));
        }
        if (i < line.size()) {
            const std::size_t last = line.size() - 16;  // bytes before i were seen already
            for (unsigned hits = hitsAt(last) >> (i - last); hits != 0; hits &= hits - 1) {
                at(i + static_cast<std::size_t>(std::countr_zero(hits)));
            }
        }
        return;
    }
#endif
    for (; i < line.size(); ++i) {
        if (line[i] == ':' || line[i] == '=') at(i);
    }
}

}  // namespace

LineTexts FindLineTexts(std::string_view line) {
    // Collected as bits: five flags kept in one register cost less than five bytes in memory.
    enum : unsigned { kDate = 1, kStatus = 2, kContentType = 4, kMimeVersion = 8, kCharset = 16 };
    unsigned found = 0;
    ForEachColonOrEquals(line, [&](std::size_t at) {
        if (line[at] == '=') {
            if (!(found & kCharset) && EndsAt(line, at, "charset")) found |= kCharset;
            return;
        }
        // The byte before the ':' tells which of the texts can end there.
        switch (at == 0 ? '\0' : line[at - 1]) {
            case 'e':
                if (EndsAt(line, at, "Date")) found |= kDate;
                if (EndsAt(line, at, "Content-Type")) found |= kContentType;
                break;
            case 's':
                if (EndsAt(line, at, "X-Becky-Status")) found |= kStatus;
                break;
            case 'n':
                if (EndsAt(line, at, "Mime-Version")) found |= kMimeVersion;
                break;
            default: break;
        }
    });
    LineTexts texts;
    texts.date = (found & kDate) != 0;
    texts.status = (found & kStatus) != 0;
    texts.contentType = (found & kContentType) != 0;
    texts.mimeVersion = (found & kMimeVersion) != 0;
    texts.charset = (found & kCharset) != 0;
    return texts;
}

std::optional<std::string_view> StatusKey(std::string_view line) {
    std::size_t start = 0;
    for (int item = 0; item < 5; ++item) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) return std::nullopt;
        start = comma + 1;
    }
    if (start == line.size()) return std::nullopt;  // a "," at the very end adds no item
    return line.substr(start, line.find(',', start) - start);
}

std::string CharsetValue(std::string_view line) {
    // "charset=" holds no blank: the first item holding it is the one around its first place.
    return ParameterValue(std::string(FieldAt(line, ' ', line.find("charset="))), "charset=");
}

void AppendBodyLine(MessageScanState& state, MessageFields& fields, std::string_view convertedLine) {
    if (convertedLine.empty()) {
        fields.body += "\r\n";
        ++state.trailingBlanks;
        return;
    }
    AnsiToUtf8(convertedLine, fields.body);
    fields.body += "\r\n";
    state.trailingBlanks = 0;
}

std::size_t SettledBodySize(const MessageScanState& state, const MessageFields& fields) {
    return fields.body.size() - 2 * static_cast<std::size_t>(state.trailingBlanks);  // CR LF each
}

void FinishBody(const MessageScanState& state, MessageFields& fields) {
    fields.body.resize(SettledBodySize(state, fields));
    fields.body += "\r\n#E\r\n\r\n";
}

bool ScanMessageLine(const IndexRecord& record, std::string_view line, MessageScanState& state,
                     MessageFields& fields) {
    const LineTexts texts = FindLineTexts(line);
    if (state.found) {
        ConvertCharsetToAnsi(record.bodyCharset, line, state.converted);
        const std::string& converted = state.converted;
        ++state.lineNo;
        if (state.mimeSeen) ++state.linesSinceMime;
        if (state.multipart) {
            switch (ApplyMultipartRules(state, line, texts, converted, fields)) {
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
        CheckMessageStructure(state, line, texts);
    }

    if (texts.date) {
        if (std::optional<SentDate> date = NormaliseDate(line)) {
            fields.sentDate = std::move(date->sentDate);
            fields.sentDateTime = std::move(date->sentDateTime);
        }
    }
    if (texts.status && StatusKey(line) == record.messageKey) state.found = true;
    if (record.bodyCharset.empty() && texts.charset) {
        fields.messageCharset = CharsetValue(line);
    }
    return false;
}

void CompleteCharsets(IndexRecord& record, const MessageFields& fields) {
    if (record.bodyCharset.empty()) record.bodyCharset = fields.messageCharset;
    if (record.fieldCharset.empty()) record.fieldCharset = record.bodyCharset;
}

}  // namespace vellum
