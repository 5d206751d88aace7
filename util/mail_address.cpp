#include "util/mail_address.h"

#include <cstddef>

// The two patterns this reproduces, as a backtracking ECMAScript engine runs them over bytes:
//   bracket: <.*?>
//   address: (?:(?:A+(?:\.A+)*)|\".+\")@(?:(?:A+\.)+A{2,})
// where A is any byte but < > ( ) [ ] . , ; : white space @ and the double quote, and '.' in the
// patterns is any byte but LF and CR. A regex engine backtracks (and recurses) over long fields;
// here each alternative is reduced to the one end its backtracking can reach, so a field is
// scanned a bounded number of times.

namespace vellum {
namespace {

constexpr std::size_t kNone = std::string_view::npos;

bool IsAddressChar(char c) {
    switch (c) {
        case '<': case '>': case '(': case ')': case '[': case ']': case '.': case ',': case ';':
        case ':': case '@': case '"': case ' ': case '\t': case '\n': case '\v': case '\f':
        case '\r':
            return false;
        default:
            return true;
    }
}

// The first "<...>" whose closing bracket comes before the next line break, brackets included;
// the whole field when there is none. A '<' that fails fails through to its line break, and so
// does every '<' before that break.
std::string_view BracketedPart(std::string_view field) {
    for (std::size_t open = field.find('<'); open != kNone;) {
        const std::size_t stop = field.find_first_of(">\n\r", open + 1);
        if (stop == kNone) break;
        if (field[stop] == '>') return field.substr(open, stop - open + 1);
        open = field.find('<', stop + 1);
    }
    return field;
}

// Where (A+\.)+A{2,} starting at `from` ends, or kNone. Each A+ must take its whole label to
// reach a full stop, so the greedy groups can only give labels back one at a time: the match ends
// after the last label of two or more that has a full stop before it.
std::size_t DomainEnd(std::string_view s, std::size_t from) {
    std::size_t end = kNone;
    std::size_t pos = from;
    for (bool firstLabel = true;; firstLabel = false) {
        const std::size_t labelStart = pos;
        while (pos < s.size() && IsAddressChar(s[pos])) ++pos;
        if (!firstLabel && pos - labelStart >= 2) end = pos;
        if (pos == labelStart || pos == s.size() || s[pos] != '.') return end;
        ++pos;
    }
}

// End of A+(?:\.A+)* from `from` (an address byte). Only its greedy end can be followed by '@',
// so it is the one end worth trying, and every start inside the same chain shares it.
std::size_t LocalPartEnd(std::string_view s, std::size_t from) {
    std::size_t pos = from;
    for (;;) {
        while (pos < s.size() && IsAddressChar(s[pos])) ++pos;
        if (pos + 1 < s.size() && s[pos] == '.' && IsAddressChar(s[pos + 1])) {
            pos += 2;
        } else {
            return pos;
        }
    }
}

// For \".+\" the greedy .+ gives back from the line break, so the closing quote is the last one
// in [first, lineEnd) followed by '@' and a domain. Returns where that domain ends, or kNone.
std::size_t QuotedAddressEnd(std::string_view s, std::size_t first, std::size_t lineEnd) {
    for (std::size_t close = lineEnd; close-- > first;) {
        if (s[close] != '"' || close + 1 >= s.size() || s[close + 1] != '@') continue;
        const std::size_t end = DomainEnd(s, close + 2);
        if (end != kNone) return end;
    }
    return kNone;
}

std::string FirstAddress(std::string_view s) {
    // When an opening quote finds no closing one, no later quote on its line can: they would
    // need a closing quote further right still.
    std::size_t quotelessUntil = 0;
    for (std::size_t start = 0; start < s.size();) {
        if (IsAddressChar(s[start])) {
            const std::size_t at = LocalPartEnd(s, start);
            if (at < s.size() && s[at] == '@') {
                const std::size_t end = DomainEnd(s, at + 1);
                if (end != kNone) return std::string(s.substr(start, end - start));
            }
            start = at;  // the chain holds no quote, and its later starts fail the same way
            continue;
        }
        if (s[start] == '"' && start >= quotelessUntil) {
            std::size_t lineEnd = s.find_first_of("\n\r", start + 1);
            if (lineEnd == kNone) lineEnd = s.size();
            const std::size_t end = QuotedAddressEnd(s, start + 2, lineEnd);
            if (end != kNone) return std::string(s.substr(start, end - start));
            quotelessUntil = lineEnd;
        }
        ++start;
    }
    return {};
}

}  // namespace

std::string ExtractMailAddress(std::string_view field) {
    std::string_view subject = BracketedPart(field);
    subject = subject.substr(0, subject.find('\0'));
    return FirstAddress(subject);
}

}  // namespace vellum
