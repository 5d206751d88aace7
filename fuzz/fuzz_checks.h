// Property checks inside the fuzz targets. A failed check names itself and aborts, which
// libFuzzer reports as a crash and keeps the input.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tests/document_checks.h"

namespace vellum::fuzz {

[[noreturn]] inline void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

inline std::string_view Bytes(const unsigned char* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// A second way of cutting text into fields, to check the converter's against: std::getline leaves
// out exactly the one empty field after a trailing delimiter; an empty text is one empty field.
inline std::vector<std::string> GetlineFields(std::string_view text, char delimiter) {
    std::vector<std::string> fields;
    std::istringstream in{std::string(text)};
    for (std::string field; std::getline(in, field, delimiter);) fields.push_back(field);
    if (fields.empty()) fields.emplace_back();
    return fields;
}

}  // namespace vellum::fuzz

#define FUZZ_CHECK(condition) ((condition) ? (void)0 : ::vellum::fuzz::Fail(#condition, __FILE__, __LINE__))
