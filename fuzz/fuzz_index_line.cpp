// ParseIndexLine on any line: each member against the rule for its field, the fields cut a
// second way; a record reused from a different line must come out the same as a fresh one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "convert/index_reader.h"
#include "fuzz/fuzz_checks.h"
#include "util/mail_address.h"

namespace {

using vellum::IndexRecord;

const std::string kFolder = "/mail/";

std::string Without(std::string text, std::string_view bytes) {
    std::erase_if(text, [bytes](char c) { return bytes.find(c) != std::string_view::npos; });
    return text;
}

bool Same(const IndexRecord& a, const IndexRecord& b) {
    return a.messageKey == b.messageKey && a.messageFilePath == b.messageFilePath && a.subject == b.subject &&
           a.senderAddress == b.senderAddress && a.senderName == b.senderName && a.recipients == b.recipients &&
           a.messageId == b.messageId && a.bodyCharset == b.bodyCharset && a.fieldCharset == b.fieldCharset;
}

// Pieces cut a second way; the first empty one ends the list, pieces without an address are
// passed over.
std::vector<std::string> Recipients(const std::string& field) {
    std::vector<std::string> recipients;
    for (const std::string& piece : vellum::fuzz::GetlineFields(field, ',')) {
        if (piece.empty()) break;
        std::string address = vellum::ExtractMailAddress(piece);
        if (!address.empty()) recipients.push_back(std::move(address));
    }
    return recipients;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line = vellum::fuzz::Bytes(data, size);
    IndexRecord record;
    const bool isRecord = vellum::ParseIndexLine(line, kFolder, record);

    std::vector<std::string> f = vellum::fuzz::GetlineFields(line, '\x01');
    FUZZ_CHECK(isRecord == (f.size() >= 3));
    if (!isRecord) {
        FUZZ_CHECK(Same(record, IndexRecord{}));
    } else {
        const std::size_t fieldCount = f.size();
        f.resize(std::max<std::size_t>(f.size(), 20));  // a field the line lacks counts as empty
        FUZZ_CHECK(record.messageKey == f[1]);
        FUZZ_CHECK(record.messageFilePath == kFolder + f[2] + ".bmf");
        FUZZ_CHECK(record.subject == f[3]);
        FUZZ_CHECK(record.senderAddress == vellum::ExtractMailAddress(f[4]));
        FUZZ_CHECK(Without(record.senderName, "<> \"") == record.senderName);
        if (record.senderAddress.empty()) FUZZ_CHECK(record.senderName == Without(f[4], "<> \""));
        FUZZ_CHECK(record.recipients == Recipients(f[5]));
        FUZZ_CHECK(record.messageId == Without(f[6], "<>"));
        FUZZ_CHECK(record.bodyCharset == Without(f[16], "<"));
        const std::string charset = Without(f[19], ";");
        FUZZ_CHECK(record.fieldCharset == (charset.empty() && fieldCount > 19 ? record.bodyCharset : charset));
    }

    // Nothing of an earlier line survives into the next record.
    IndexRecord reused;
    vellum::ParseIndexLine("0\x01K\x01" "f\x01s\x01<a@b.cc>\x01" "c@d.ee\x01<id>\x01\x01\x01\x01\x01\x01\x01\x01\x01\x01x\x01\x01\x01y",
                           kFolder, reused);
    FUZZ_CHECK(vellum::ParseIndexLine(line, kFolder, reused) == isRecord);
    FUZZ_CHECK(Same(reused, record));
    return 0;
}
