// Picks the bare e-mail address out of an address field ("Name <a@b.jp>" gives a@b.jp).
#pragma once
#include <string>
#include <string_view>

namespace vellum {

// The result is exactly what these two ECMAScript regular expressions give over bytes:
//   first "<.*?>" anywhere in the field (else the whole field), cut at its first zero byte, then
//   the first match of the address pattern (local part @ domain with a label of 2+ at the end).
// Hand-written so that fields of any length take linear time and no recursion.
std::string ExtractMailAddress(std::string_view field);

}  // namespace vellum
