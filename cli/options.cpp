#include "cli/options.h"

namespace vellum::cli {

const char* const kUsage =
    "Usage: vellumtext [-o DIR] [-q] [-j N] FOLDER\n"
    "       vellumtext --recursive [-o DIR] [-q] [-j N] DATAFOLDER\n"
    "       vellumtext --set-output-dir DIR\n"
    "\n"
    "Converts every message of one mail folder (a directory holding \"Folder.idx\" and its\n"
    "\".bmf\" message files) into one tagged UTF-8 text document named after the folder,\n"
    "FOLDER-NAME.REN. Input files are only read, never changed.\n"
    "\n"
    "Options:\n"
    "  -o, --output-dir DIR    write the document into DIR (default: the stored output\n"
    "                          folder, else the desktop folder)\n"
    "      --set-output-dir DIR\n"
    "                          store DIR as the default output folder and exit\n"
    "  -r, --recursive         convert every mail folder below DATAFOLDER (each folder\n"
    "                          that holds a \"Folder.idx\") into DIR/<path below\n"
    "                          DATAFOLDER>/<folder name>.REN; a failed folder is\n"
    "                          reported and the others go on\n"
    "  -q, --quiet             print nothing on success (no progress line either)\n"
    "  -j, --threads N         convert on N threads (default: one per processor core,\n"
    "                          at most 8); the document is the same for every N\n"
    "  -h, --help              show this help and exit\n"
    "      --version           show the version and exit\n"
    "\n"
    "On a terminal, a progress line on standard error shows the records done, the\n"
    "speed and the time taken for runs longer than a moment.\n"
    "\n"
    "Exit status: 0 when the document was written, 1 when the conversion failed (the\n"
    "reason and the path concerned go to standard error; no document is written or\n"
    "changed) or, with --recursive, when any folder failed; 2 for a usage error.\n";

namespace {
constexpr std::size_t kMaxThreads = 64;
}  // namespace

ParseResult ParseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    std::vector<std::string> positional;
    bool setOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Takes the value of an option given as "--name VALUE" or "--name=VALUE".
        const auto value = [&](const std::string& name, std::string& into, const char* what = "a folder") {
            if (arg.rfind(name + "=", 0) == 0) {
                into = arg.substr(name.size() + 1);
            } else if (i + 1 < args.size()) {
                into = args[++i];
            } else {
                result.error = "option " + name + " needs " + what;
            }
        };
        if (arg == "-h" || arg == "--help") {
            o.action = Options::Action::Help;
            return result;
        }
        if (arg == "--version") {
            o.action = Options::Action::Version;
            return result;
        }
        if (arg == "-q" || arg == "--quiet") {
            o.quiet = true;
        } else if (arg == "-r" || arg == "--recursive") {
            o.recursive = true;
        } else if (arg == "-o" || arg == "--output-dir" || arg.rfind("--output-dir=", 0) == 0) {
            std::string dir;
            value(arg == "-o" ? "-o" : "--output-dir", dir);
            o.outputDir = dir;
        } else if (arg == "-j" || arg == "--threads" || arg.rfind("--threads=", 0) == 0) {
            const std::string name = arg == "-j" ? "-j" : "--threads";
            std::string count;
            value(name, count, "a number of threads");
            // Digits only; anything else, or too many, counts as over the limit.
            o.threads = count.empty() ? kMaxThreads + 1 : 0;
            for (const char c : count) {
                o.threads = c >= '0' && c <= '9' && o.threads <= kMaxThreads ? o.threads * 10 + (c - '0') : kMaxThreads + 1;
            }
            if (result.error.empty() && (o.threads < 1 || o.threads > kMaxThreads)) {
                result.error = "option " + name + " needs a number of threads from 1 to " + std::to_string(kMaxThreads);
            }
        } else if (arg == "--set-output-dir" || arg.rfind("--set-output-dir=", 0) == 0) {
            value("--set-output-dir", o.storedOutputDir);
            setOutput = true;
        } else if (arg == "--") {
            positional.insert(positional.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            result.error = "unknown option " + arg;
        } else {
            positional.push_back(arg);
        }
        if (!result.error.empty()) return result;
    }
    if (setOutput) {
        if (!positional.empty() || o.outputDir || o.recursive) {
            result.error = "--set-output-dir takes no FOLDER, -o or --recursive";
        }
        o.action = Options::Action::SetOutputDir;
        return result;
    }
    if (positional.size() != 1) {
        result.error = positional.empty() ? "no FOLDER given" : "only one FOLDER at a time";
        return result;
    }
    o.folder = positional[0];
    if (o.folder.empty()) result.error = "FOLDER is empty";
    return result;
}

}  // namespace vellum::cli
