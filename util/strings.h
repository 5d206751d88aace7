// Byte-string helpers used to take header values, index lines and file names apart.
// They work on raw bytes and know nothing of character sets.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vellum {

// Removes (or replaces) every occurrence of `pattern`, searching again from the start after
// each replacement, so an occurrence that a replacement brings together goes as well.
// `subject` is rewritten in place and returned (no copy: the index calls this several times a
// line). An empty pattern changes nothing. A replacement that contains the pattern would never
// end: callers must not pass one.
const std::string& ReplaceAll(std::string& subject, std::string_view pattern, std::string_view replacement);

// Cuts `text` at every `delimiter`. Never empty: an empty text gives one empty field. Inner and
// leading empty fields stay; only the one empty field after a trailing delimiter is dropped.
std::vector<std::string> SplitByChar(std::string_view text, char delimiter);
// The first `count` (at least 1) of those fields, or all when there are fewer; the rest of the
// text is not cut, so a line of a million delimiters costs no more than a short one.
std::vector<std::string> SplitByChar(std::string_view text, char delimiter, std::size_t count);
// The same fields as views of `text`, for callers that keep few of them.
std::vector<std::string_view> SplitViewsByChar(std::string_view text, char delimiter);
std::vector<std::string_view> SplitViewsByChar(std::string_view text, char delimiter, std::size_t count);
// The first fields.size() of them into `fields`, without allocating; how many there are.
std::size_t SplitViewsByChar(std::string_view text, char delimiter, std::span<std::string_view> fields);
// The field, as SplitByChar cuts them, that holds the byte at `pos` (which is no delimiter).
std::string_view FieldAt(std::string_view text, char delimiter, std::size_t pos);

// Exact-case substring test, as every header and body rule uses.
inline bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace vellum
