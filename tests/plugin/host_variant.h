// What the substitute host of this test executable lacks, and checks shared by the variants.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "../host/loaded_plugin.h"

namespace vellum::testhost {

// The BKA_ names this executable does not export (VELLUM_HOST_WITHOUT, comma-separated).
std::vector<std::string> MissingEntryPoints();

// The required names (all but the five optional ones), in slot order.
std::vector<std::string> RequiredEntryPoints();

// Calls every export with zero arguments of its own count, cancelling any dialog that opens.
// For each: how many bytes of arguments it removed from the stack itself (4 per argument with
// the host's WINAPI convention, none with the C one) and its result.
struct ZeroCall {
    int bytesRemoved = -1;
    int result = -1;
};
std::map<std::string, ZeroCall> CallEveryExportWithZeros(const LoadedPlugin& plugin, int* dialogsCancelled);

// A library that stays passive: every forwarded export returns 0 at once, without a dialog,
// and the information record stays as the host left it.
void ExpectPassive(const LoadedPlugin& plugin);

}  // namespace vellum::testhost
