// vellumtext: converts a host mail folder to one tagged UTF-8 document, without the host.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "convert/conversion_run.h"
#include "platform/platform.h"
#include "settings/settings_store.h"

namespace {

using namespace vellum;

// FOLDER without trailing separators, so that "inbox/" and "inbox" name the same document; a
// name of "." or ".." is resolved, so that the document is named after the real folder.
std::string NormaliseFolderArgument(std::string folder) {
    while (folder.size() > 1 && platform::EndsWithSeparator(folder)) folder.pop_back();
    const std::string last = platform::LastPathComponent(folder);
    if (last == "." || last == "..") folder = platform::FullPath(folder);
    return folder;
}

int Convert(const cli::Options& options) {
    const std::string folder = NormaliseFolderArgument(options.folder);
    RunPaths paths;
    paths.currentFolderPath = platform::EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
    paths.outputFileName = OutputFileNameFor(folder);
    paths.outputFolder = options.outputDir ? *options.outputDir : LoadOutputFolder();

    const RunOutcome outcome = ConvertFolder(paths);
    const OutcomeMessage message = MessageFor(outcome.status);
    const std::string text = std::string(message.textUtf8) + platform::PathToUtf8(outcome.path) + "\n";
    if (outcome.status == RunStatus::Written) {
        if (!options.quiet) std::cout << text << std::flush;
        return 0;
    }
    std::cerr << text << std::flush;
    return 1;
}

int Run(const std::vector<std::string>& args) {
    const cli::ParseResult parsed = cli::ParseOptions(args);
    if (!parsed.error.empty()) {
        std::cerr << "vellumtext: " << parsed.error << "\n\n" << cli::kUsage;
        return 2;
    }
    const cli::Options& options = parsed.options;
    switch (options.action) {
        case cli::Options::Action::Help:
            std::cout << cli::kUsage;
            return 0;
        case cli::Options::Action::Version:
            std::cout << "vellumtext " << VELLUM_VERSION << "\n";
            return 0;
        case cli::Options::Action::SetOutputDir: {
            const std::string file = platform::SettingsFilePath();
            if (!SaveOutputFolder(options.storedOutputDir)) {
                std::cerr << "vellumtext: cannot write the settings file " << platform::PathToUtf8(file) << "\n";
                return 1;
            }
            if (!options.quiet) {
                std::cout << "Output folder stored in " << platform::PathToUtf8(file) << ": "
                          << platform::PathToUtf8(options.storedOutputDir) << "\n";
            }
            return 0;
        }
        case cli::Options::Action::Convert: return Convert(options);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    platform::UseUtf8Console();
    try {
        return Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        // Out of memory is the one failure that arrives as an exception.
        std::cerr << "vellumtext: " << e.what() << "\n";
        return 1;
    }
}
