#include "util/strings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vellum {
namespace {

// With an empty replacement, "remove the first occurrence, search again from the start" ends in
// the same text as one left-to-right pass that drops the pattern whenever the kept text ends with
// it: the earliest-starting occurrence is also the earliest-ending one, and the kept prefix never
// holds an occurrence. A KMP state per kept byte makes the pass linear even for long patterns
// (a sender address can be as long as its field).
std::string RemoveAll(std::string_view subject, std::string_view pattern) {
    const std::size_t m = pattern.size();
    std::vector<std::size_t> failure(m, 0);
    for (std::size_t i = 1, k = 0; i < m; ++i) {
        while (k > 0 && pattern[i] != pattern[k]) k = failure[k - 1];
        if (pattern[i] == pattern[k]) ++k;
        failure[i] = k;
    }
    std::string kept;
    kept.reserve(subject.size());
    std::vector<std::size_t> state;  // matched pattern length after each kept byte
    state.reserve(subject.size());
    std::size_t k = 0;
    for (char c : subject) {
        while (k > 0 && (k == m || c != pattern[k])) k = failure[k - 1];
        if (c == pattern[k]) ++k;
        kept.push_back(c);
        state.push_back(k);
        if (k == m) {
            kept.resize(kept.size() - m);
            state.resize(state.size() - m);
            k = state.empty() ? 0 : state.back();
        }
    }
    return kept;
}

}  // namespace

const std::string& ReplaceAll(std::string& subject, std::string_view pattern, std::string_view replacement) {
    if (pattern.empty()) return subject;
    if (replacement.empty()) {
        if (pattern.size() == 1) {
            // A single byte taken away brings no new one together: one pass in place.
            std::erase(subject, pattern[0]);
        } else if (const std::size_t at = subject.find(pattern); at != std::string::npos) {
            // Mostly there is one occurrence (a sender's address in its field): taken away in
            // place; only a text that still holds one after that needs the linear pass.
            subject.erase(at, pattern.size());
            if (subject.find(pattern) != std::string::npos) subject = RemoveAll(subject, pattern);
        }
        return subject;
    }
    for (std::size_t at = subject.find(pattern); at != std::string::npos; at = subject.find(pattern)) {
        subject.replace(at, pattern.size(), replacement);
    }
    return subject;
}

namespace {

// Hands `emit` the fields of `text` cut at every `delimiter`, at most `count` of them: an empty
// text gives one empty field, and a delimiter at the very end starts none.
template <class Emit>
void CutFields(std::string_view text, char delimiter, std::size_t count, Emit emit) {
    for (std::size_t start = 0, n = 0; n < count; ++n) {
        const std::size_t end = text.find(delimiter, start);
        emit(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos || end + 1 >= text.size()) return;
        start = end + 1;
    }
}

}  // namespace

std::vector<std::string_view> SplitViewsByChar(std::string_view text, char delimiter) {
    return SplitViewsByChar(text, delimiter, static_cast<std::size_t>(-1));
}

std::vector<std::string_view> SplitViewsByChar(std::string_view text, char delimiter, std::size_t count) {
    std::vector<std::string_view> fields;
    // Asked for none, the cut has always given one empty field.
    CutFields(count == 0 ? std::string_view() : text, delimiter, count == 0 ? 1 : count,
              [&fields](std::string_view field) { fields.push_back(field); });
    return fields;
}

std::size_t SplitViewsByChar(std::string_view text, char delimiter, std::span<std::string_view> fields) {
    std::size_t count = 0;
    CutFields(text, delimiter, fields.size(), [&](std::string_view field) { fields[count++] = field; });
    return count;
}

namespace {
std::vector<std::string> Strings(const std::vector<std::string_view>& views) {
    return std::vector<std::string>(views.begin(), views.end());
}
}  // namespace

std::vector<std::string> SplitByChar(std::string_view text, char delimiter) {
    return Strings(SplitViewsByChar(text, delimiter));
}

std::vector<std::string> SplitByChar(std::string_view text, char delimiter, std::size_t count) {
    return Strings(SplitViewsByChar(text, delimiter, count));
}

std::string_view FieldAt(std::string_view text, char delimiter, std::size_t pos) {
    const std::size_t start = text.rfind(delimiter, pos) + 1;  // npos + 1: from the start
    const std::size_t end = text.find(delimiter, pos);
    return text.substr(start, end == std::string_view::npos ? end : end - start);
}

}  // namespace vellum
