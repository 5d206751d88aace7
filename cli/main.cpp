// vellumtext: converts a host mail folder to one tagged UTF-8 document, without the host.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/progress.h"
#include "convert/conversion_run.h"
#include "platform/platform.h"
#include "settings/settings_store.h"
#include "util/folder_scan.h"

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

// Converts one folder and reports the outcome; true when the document was written.
bool ConvertOne(const std::string& folder, const std::string& outputFolder, bool quiet, std::size_t threads) {
    RunPaths paths;
    paths.currentFolderPath = platform::EndsWithSeparator(folder) ? folder : folder + platform::kPathSeparator;
    paths.outputFileName = OutputFileNameFor(folder);
    paths.outputFolder = outputFolder;

    const bool showProgress = !quiet && platform::StderrIsTerminal();
    cli::ProgressLine progress(showProgress,
                               showProgress ? cli::CountIndexRecords(paths.currentFolderPath + "Folder.idx") : 0);
    RunLimits limits;
    limits.threads = threads;
    const RunOutcome outcome = ConvertFolder(
        paths, [&progress](const RunOutcome& soFar) { progress.Update(soFar.records, soFar.bytesWritten); }, limits);
    progress.Clear();

    const OutcomeMessage message = MessageFor(outcome.status);
    const std::string text = std::string(message.textUtf8) + platform::PathToUtf8(outcome.path) + "\n";
    if (outcome.status == RunStatus::Written) {
        if (!quiet) std::cout << text << std::flush;
        return true;
    }
    std::cerr << text << std::flush;
    return false;
}

std::string OutputFolderFor(const cli::Options& options) {
    return options.outputDir ? *options.outputDir : LoadOutputFolder();
}

int Convert(const cli::Options& options) {
    return ConvertOne(NormaliseFolderArgument(options.folder), OutputFolderFor(options), options.quiet, options.threads) ? 0 : 1;
}

bool HoldsIndex(const std::string& folder) {
    const std::vector<std::string> names = ListMailFolder(folder + platform::kPathSeparator);
    return std::find(names.begin(), names.end(), "Folder.idx") != names.end();
}

// Every folder below the data folder that holds an index, into the same path below the output
// folder, so that folders of the same name never overwrite each other.
int ConvertTree(const cli::Options& options) {
    const std::string root = NormaliseFolderArgument(options.folder);
    const std::string outputRoot = OutputFolderFor(options);
    if (!platform::IsDirectory(root)) {
        std::cerr << "vellumtext: not a folder: " << platform::PathToUtf8(root) << "\n";
        return 1;
    }
    if (!platform::PathExists(outputRoot)) {
        const OutcomeMessage message = MessageFor(RunStatus::OutputFolderMissing);
        std::cerr << message.textUtf8 << platform::PathToUtf8(outputRoot) << "\n";
        return 1;
    }
    int converted = 0, failed = 0;
    std::vector<std::string> pending = {""};  // paths relative to the root, depth first
    while (!pending.empty()) {
        const std::string relative = pending.back();
        pending.pop_back();
        const std::string folder = relative.empty() ? root : platform::JoinPath(root, relative);
        if (HoldsIndex(folder)) {
            const std::string outputFolder = relative.empty() ? outputRoot : platform::JoinPath(outputRoot, relative);
            if (!platform::CreateFolders(outputFolder)) {
                std::cerr << MessageFor(RunStatus::OutputUnwritable).textUtf8 << platform::PathToUtf8(outputFolder) << "\n";
                ++failed;
            } else {
                ++(ConvertOne(folder, outputFolder, options.quiet, options.threads) ? converted : failed);
            }
        }
        std::vector<std::string> subfolders = platform::ListSubfolders(folder);
        std::sort(subfolders.rbegin(), subfolders.rend());  // popped in name order
        for (const std::string& name : subfolders) pending.push_back(relative.empty() ? name : platform::JoinPath(relative, name));
    }
    if (converted + failed == 0) {
        std::cerr << "vellumtext: no mail folder (no \"Folder.idx\") in or below " << platform::PathToUtf8(root) << "\n";
        return 1;
    }
    if (!options.quiet || failed > 0) {
        (failed > 0 ? std::cerr : std::cout) << converted << " folder(s) converted, " << failed << " failed\n";
    }
    return failed > 0 ? 1 : 0;
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
        case cli::Options::Action::Convert: return options.recursive ? ConvertTree(options) : Convert(options);
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
