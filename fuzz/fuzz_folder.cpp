// A whole mail folder from one input: the index, then up to three message files (f0.bmf, f1.bmf,
// f2.bmf), separated by lines "--file--". The run must end as the literal reading does, write
// the same bytes (strict UTF-8, CR LF line ends) and leave nothing else behind.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "convert/conversion_run.h"
#include "fuzz/fuzz_checks.h"
#include "tests/literal_reference.h"
#include "tests/test_folder.h"

namespace {

constexpr std::string_view kSeparator = "\n--file--\n";

std::vector<std::string_view> Parts(std::string_view input) {
    std::vector<std::string_view> parts;
    while (parts.size() < 3) {
        const std::size_t at = input.find(kSeparator);
        if (at == std::string_view::npos) break;
        parts.push_back(input.substr(0, at));
        input.remove_prefix(at + kSeparator.size());
    }
    parts.push_back(input);
    return parts;
}

void Empty(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) std::filesystem::remove_all(entry.path());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vellum::test::ScratchDir mail;
    static const vellum::test::ScratchDir out;
    Empty(mail.Path());
    Empty(out.Path());

    const std::vector<std::string_view> parts = Parts(vellum::fuzz::Bytes(data, size));
    mail.Write("Folder.idx", parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) mail.Write("f" + std::to_string(i - 1) + ".bmf", parts[i]);
    const std::string mailListing = mail.Listing();

    const vellum::RunOutcome outcome = vellum::ConvertFolder({mail.Folder(), out.Path().string(), "x.REN"});
    const vellum::test::LiteralResult expected = vellum::test::ConvertFolderLiterally(mail.Folder());
    FUZZ_CHECK(outcome.status == expected.status);
    FUZZ_CHECK(mail.Listing() == mailListing);  // the mail folder is only read
    if (outcome.status == vellum::RunStatus::Written) {
        FUZZ_CHECK(out.Listing() == "x.REN\n");
        const std::string document = out.Read("x.REN");
        FUZZ_CHECK(document == expected.document);
        FUZZ_CHECK(outcome.bytesWritten == document.size());
        FUZZ_CHECK(vellum::test::IsValidUtf8(document));
        FUZZ_CHECK(vellum::test::LineEndsAreCrLf(document));
    } else {
        FUZZ_CHECK(out.Listing().empty());  // no partial or temporary file
    }
    return 0;
}
