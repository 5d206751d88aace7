// One conversion run: a host mail folder's index and message files to one UTF-8 document.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace vellum {

// The three process-wide strings a run reads (ANSI byte strings). The conversion command sets
// the first two before every run; outputFolder also comes from the settings and the dialog.
extern std::string currentFolderPath;  // the folder's directory, ending with a separator
extern std::string outputFolder;       // where the document goes
extern std::string outputFileName;     // "<folder name>.REN"

enum class RunStatus {
    Written,                // the whole document was written
    OutputFolderMissing,    // the output folder does not exist (or is empty)
    IndexUnreadable,        // no "Folder.idx" in the folder, or it cannot be opened
    MessageFileUnreadable,  // a record's message file cannot be opened
    OutputUnwritable,       // the document cannot be created, written or completed
};

struct RunOutcome {
    RunStatus status = RunStatus::Written;
    std::string path;             // the path the message names (ANSI bytes)
    std::uint64_t records = 0;    // records written to the document
    std::uint64_t bytesWritten = 0;
    // 0 when the run ended with one of its messages shown as success or missing folder,
    // 1 when it stopped on an error.
    int Result() const;
};

struct RunPaths {
    std::string currentFolderPath;
    std::string outputFolder;
    std::string outputFileName;
};

// Called after each record with the outcome so far (records and bytes written).
using RunProgress = std::function<void(const RunOutcome& soFar)>;

// How much of a folder the run holds in memory at a time.
struct RunLimits {
    std::size_t bodyBytes = 8 << 20;        // a longer body goes on in a scratch file
    std::size_t readBufferBytes = 1 << 20;  // read at a time from each message file
    // Seen at a time from each message file where it can be mapped: fewer, larger windows cost
    // less to map and unmap, and only the file in use on each thread holds one.
    std::size_t viewBytes = 8 << 20;
    std::size_t threads = 0;                // worker threads converting records; 0: one per core
    std::size_t batchRecords = 64;          // records handed to a worker thread at a time
};

// The run on explicit paths; shows nothing. The caller reports the outcome.
RunOutcome ConvertFolder(const RunPaths& paths, const RunProgress& progress = {}, const RunLimits& limits = {});

// The user-visible message of an outcome: text (without the path) and caption, in UTF-8.
struct OutcomeMessage {
    const char* textUtf8;     // e.g. "出力しました。\n"; the path follows it directly
    const char* captionUtf8;  // "エラー" or "ベラムテキスト変換(UTF-8)"
};
OutcomeMessage MessageFor(RunStatus status);

// The run on the three process-wide strings, showing its message in a message box (ANSI texts).
// Returns RunOutcome::Result().
int ConversionRun();

}  // namespace vellum

namespace vellum {

// The conversion command's two path rules. The folder path: dataFolder, a separator unless
// dataFolder is empty or ends with one, then currentFolder unchanged.
std::string JoinFolderPath(const std::string& dataFolder, const std::string& currentFolder);
// The document's name: the folder path's last component (a trailing separator is part of it),
// every "\" byte removed, then ".REN".
std::string OutputFileNameFor(const std::string& folderPath);

}  // namespace vellum
