// One message file, looked up for several keys: read from its first line for each key, from
// memory (the literal reading, the reference); through MessageStore, the run's way, with small
// read buffers so that lines cross buffer ends and seeks leave the buffer; and through a
// MessageStore that sends bodies to a scratch file a few lines at a time. All must give the same
// fields and document bytes. Input: a first line "charset 0x01 key 0x01 key ...", then the
// file's bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "convert/body_extraction.h"
#include "convert/message_store.h"
#include "convert/output_document.h"
#include "fuzz/fuzz_checks.h"
#include "tests/test_folder.h"
#include "util/strings.h"

namespace {

using vellum::IndexRecord;
using vellum::MessageFields;
using vellum::SplitByChar;

// The line tests, which look only where they must, against the rules read plainly: substring
// tests, and items of the line split whole.
void CheckLineTests(std::string_view line) {
    const vellum::LineTexts texts = vellum::FindLineTexts(line);
    FUZZ_CHECK(texts.date == vellum::Contains(line, "Date:"));
    FUZZ_CHECK(texts.status == vellum::Contains(line, "X-Becky-Status:"));
    FUZZ_CHECK(texts.contentType == vellum::Contains(line, "Content-Type:"));
    FUZZ_CHECK(texts.mimeVersion == vellum::Contains(line, "Mime-Version:"));
    FUZZ_CHECK(texts.charset == vellum::Contains(line, "charset="));

    const std::vector<std::string> commaItems = SplitByChar(line, ',');
    const std::optional<std::string_view> key = vellum::StatusKey(line);
    FUZZ_CHECK(key.has_value() == (commaItems.size() >= 6));
    if (key) FUZZ_CHECK(*key == commaItems[5]);

    const std::vector<std::string> items = SplitByChar(line, ' ');
    if (texts.charset) {
        const auto first = std::find_if(items.begin(), items.end(),
                                        [](const std::string& item) { return vellum::Contains(item, "charset="); });
        FUZZ_CHECK(vellum::CharsetValue(line) == vellum::ParameterValue(*first, "charset="));
    }

    // The structure check: the first item naming text/plain or a boundary decides.
    vellum::MessageScanState expected, actual;
    expected.multipart = actual.multipart = line.size() % 2 == 0;
    expected.delimiter = actual.delimiter = "--before";
    if (texts.contentType) {
        for (const std::string& item : items) {
            if (vellum::Contains(item, "text/plain")) {
                expected.multipart = false;
                break;
            }
            if (vellum::Contains(item, "boundary=")) {
                expected.multipart = true;
                expected.delimiter = "--" + vellum::ParameterValue(item, "boundary=");
                break;
            }
        }
    }
    vellum::CheckMessageStructure(actual, line, texts);
    FUZZ_CHECK(actual.multipart == expected.multipart && actual.delimiter == expected.delimiter);

    // The third message line of a multipart message: the last item with a boundary renames it.
    vellum::MessageScanState third;
    third.found = third.multipart = true;
    third.lineNo = 3;
    third.delimiter = expected.delimiter = "--before";
    if (texts.contentType) {
        for (const std::string& item : items) {
            if (!vellum::Contains(item, "boundary=")) continue;
            expected.delimiter = "--" + vellum::ParameterValue(item, "boundary=");
        }
    }
    MessageFields unused;
    third.converter.Convert("", line);  // a charset that leaves the line as it is
    vellum::ApplyMultipartRules(third, line, texts, unused);
    FUZZ_CHECK(third.delimiter == expected.delimiter);
}

// The lines as the host writes them: LF ends a line, a CR before it goes with it, a last line
// without LF still counts.
MessageFields ScanFromMemory(IndexRecord& record, std::string_view file) {
    vellum::MessageScanState state;
    MessageFields fields;
    for (std::size_t start = 0; start < file.size();) {
        std::size_t end = file.find('\n', start);
        const std::size_t next = end == std::string_view::npos ? file.size() : end + 1;
        if (end == std::string_view::npos) {
            end = file.size();
        } else if (end > start && file[end - 1] == '\r') {
            --end;
        }
        const std::string_view line = file.substr(start, end - start);
        CheckLineTests(line);
        if (vellum::ScanMessageLine(record, line, state, fields)) break;
        start = next;
    }
    vellum::CompleteCharsets(record, fields);
    return fields;
}

void CheckSame(const MessageFields& a, const MessageFields& b) {
    FUZZ_CHECK(a.body == b.body);
    FUZZ_CHECK(a.sentDate == b.sentDate);
    FUZZ_CHECK(a.sentDateTime == b.sentDateTime);
    FUZZ_CHECK(a.messageCharset == b.messageCharset);
}

// The record as the run writes it: a body that went to a scratch file stands between the
// record's header lines and the rest of the body.
std::string DocumentBytes(const IndexRecord& record, const MessageFields& fields) {
    vellum::OutputDocument bytes;
    vellum::AppendRecord(bytes, record, fields);
    if (fields.spilledBody) {
        FUZZ_CHECK(!fields.spillFailed);
        vellum::OutputDocument header;
        vellum::AppendRecordHeader(header, record, fields);
        FUZZ_CHECK(bytes.compare(0, header.size(), header) == 0);
        std::string spilled;
        FUZZ_CHECK(fields.spilledBody->Rewind());
        char chunk[4096];
        for (std::size_t n; (n = fields.spilledBody->Read(chunk, sizeof chunk)) > 0;) spilled.append(chunk, n);
        bytes.insert(header.size(), spilled);
    }
    FUZZ_CHECK(vellum::test::IsValidUtf8(bytes));
    FUZZ_CHECK(vellum::test::LineEndsAreCrLf(bytes));
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vellum::test::ScratchDir scratch;
    const std::string_view input = vellum::fuzz::Bytes(data, size);
    const std::size_t lf = input.find('\n');
    if (lf == std::string_view::npos) return 0;
    const std::vector<std::string> header = vellum::fuzz::GetlineFields(input.substr(0, lf), '\x01');
    const std::string_view file = input.substr(lf + 1);
    scratch.Write("m.bmf", file);

    IndexRecord base;
    base.messageFilePath = scratch.Folder() + "m.bmf";
    base.bodyCharset = header[0];
    base.subject = "subject";
    base.senderAddress = "a@b.cc";
    // One store of each kind for all keys: later lookups start from its notes.
    const std::size_t bufferSize = 1 + size % 64;
    vellum::MessageStore store({}, 8 << 20, bufferSize);
    vellum::MessageStore spilling(scratch.Folder(), 1 + size % 32, bufferSize);
    for (std::size_t k = 1; k < header.size() && k <= 3; ++k) {
        IndexRecord memory = base;
        memory.messageKey = header[k];
        IndexRecord fast = memory, spilled = memory;
        const MessageFields reference = ScanFromMemory(memory, file);
        const std::string document = DocumentBytes(memory, reference);

        std::optional<MessageFields> viaStore = vellum::ParseMessageFile(fast, store);
        FUZZ_CHECK(viaStore.has_value());
        CheckSame(*viaStore, reference);
        FUZZ_CHECK(fast.bodyCharset == memory.bodyCharset && fast.fieldCharset == memory.fieldCharset);
        FUZZ_CHECK(DocumentBytes(fast, *viaStore) == document);

        std::optional<MessageFields> viaSpill = vellum::ParseMessageFile(spilled, spilling);
        FUZZ_CHECK(viaSpill.has_value());
        FUZZ_CHECK(DocumentBytes(spilled, *viaSpill) == document);
    }
    return 0;
}
