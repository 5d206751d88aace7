// Command-line options of vellumtext.
#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace vellum::cli {

struct Options {
    enum class Action { Convert, SetOutputDir, Help, Version };
    Action action = Action::Convert;
    std::string folder;                     // the host mail folder to convert
    std::optional<std::string> outputDir;   // -o DIR
    std::string storedOutputDir;            // --set-output-dir DIR
    bool quiet = false;
    bool recursive = false;                 // convert every mail folder below `folder`
    std::size_t threads = 0;                // -j N; 0: one per core
};

// The options, or an error text for a usage error.
struct ParseResult {
    Options options;
    std::string error;  // empty when the command line is good
};

ParseResult ParseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace vellum::cli
