#include "convert/message_parser.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "convert/body_extraction.h"
#include "decode/charset.h"
#include "util/byte_search.h"
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

// Calls `at(position)` for every ':' and '=' of `text`, in order. Every line of every message
// file is searched so; sixteen bytes at a time where the processor allows,
// the last sixteen overlapping the ones before rather than going byte by byte.
template <class At>
void ForEachColonOrEquals(std::string_view text, At at) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (text.size() >= 16) {
        const auto hitsAt = [&](std::size_t from) { return BytesEqual(text.data() + from, ':', '='); };
        for (; i + 16 <= text.size(); i += 16) {
            for (unsigned hits = hitsAt(i); hits != 0; hits &= hits - 1) at(i + static_cast<std::size_t>(std::countr_zero(hits)));
        }
        if (i < text.size()) {
            const std::size_t last = text.size() - 16;  // bytes before i were seen already
            for (unsigned hits = hitsAt(last) >> (i - last); hits != 0; hits &= hits - 1) {
                at(i + static_cast<std::size_t>(std::countr_zero(hits)));
            }
        }
        return;
    }
#endif
    for (; i < text.size(); ++i) {
        if (text[i] == ':' || text[i] == '=') at(i);
    }
}

constexpr unsigned kDate = 1, kStatus = 2, kContentType = 4, kMimeVersion = 8, kCharset = 16;

// Which of the texts end at the ':' or '=' at `at`. None of them holds a line end, so in bytes
// that begin at a line start a text found here lies within the line of `at`.
unsigned TextsEndingAt(std::string_view text, std::size_t at) {
    if (text[at] == '=') return EndsAt(text, at, "charset") ? kCharset : 0;
    // The byte before the ':' tells which of the texts can end there.
    switch (at == 0 ? '\0' : text[at - 1]) {
        case 'e':
            return (EndsAt(text, at, "Date") ? kDate : 0) | (EndsAt(text, at, "Content-Type") ? kContentType : 0);
        case 's': return EndsAt(text, at, "X-Becky-Status") ? kStatus : 0;
        case 'n': return EndsAt(text, at, "Mime-Version") ? kMimeVersion : 0;
        default: return 0;
    }
}

}  // namespace

LineTexts FindLineTexts(std::string_view line) {
    // Collected as bits: five flags kept in one register cost less than five bytes in memory.
    unsigned found = 0;
    ForEachColonOrEquals(line, [&](std::size_t at) { found |= TextsEndingAt(line, at); });
    LineTexts texts;
    texts.date = (found & kDate) != 0;
    texts.status = (found & kStatus) != 0;
    texts.contentType = (found & kContentType) != 0;
    texts.mimeVersion = (found & kMimeVersion) != 0;
    texts.charset = (found & kCharset) != 0;
    return texts;
}

std::size_t FindFirstLineText(std::string_view lines) {
    // Nothing ends at the first byte. Whole files are searched so: where the processor allows,
    // sixteen places at a time, each kept only when the byte before it is one that a text can
    // end with before its ':' or '=' (ISO-2022-JP text has those two bytes every few dozen).
    std::size_t i = 1;
#if defined(__SSE2__)
    const auto equal = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    for (; i + 16 <= lines.size(); i += 16) {
        if ((i & 63) == 1) __builtin_prefetch(lines.data() + i + 2048);
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines.data() + i));
        const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lines.data() + i - 1));
        const __m128i colon = _mm_and_si128(
            equal(bytes, ':'), _mm_or_si128(_mm_or_si128(equal(before, 'e'), equal(before, 's')), equal(before, 'n')));
        const __m128i equals = _mm_and_si128(equal(bytes, '='), equal(before, 't'));
        for (auto hits = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(colon, equals))); hits != 0; hits &= hits - 1) {
            const std::size_t at = i + static_cast<std::size_t>(std::countr_zero(hits));
            if (TextsEndingAt(lines, at) != 0) return at;
        }
    }
#endif
    for (; i < lines.size(); ++i) {
        if ((lines[i] == ':' || lines[i] == '=') && TextsEndingAt(lines, i) != 0) return i;
    }
    return std::string_view::npos;
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

void AppendBodyLine(MessageScanState& state, MessageFields& fields) {
    if (state.converter.AnsiEmpty()) {
        fields.body += "\r\n";
        ++state.trailingBlanks;
        return;
    }
    state.converter.AppendUtf8To(fields.body);
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
    return ScanMessageLine(record, line, FindLineTexts(line), state, fields);
}

bool ScanMessageLine(const IndexRecord& record, std::string_view line, const LineTexts& texts,
                     MessageScanState& state, MessageFields& fields) {
    if (state.found) {
        state.converter.Convert(record.bodyCharset, line);
        ++state.lineNo;
        if (state.mimeSeen) ++state.linesSinceMime;
        if (state.multipart) {
            switch (ApplyMultipartRules(state, line, texts, fields)) {
                case MultipartVerdict::End: FinishBody(state, fields); return true;
                case MultipartVerdict::Skip: return false;
                case MultipartVerdict::GoOn: break;
            }
        } else if (state.converter.AnsiEquals(".")) {
            FinishBody(state, fields);
            return true;
        } else if (state.lineNo >= 2) {
            AppendBodyLine(state, fields);  // the first line after the marker never enters
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
