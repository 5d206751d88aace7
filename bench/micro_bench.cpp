// The conversion's hot paths one by one, in bytes per second: line splitting, the per-line
// tests, the charset decoders and code page 932 to the document's UTF-8.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "bench/mail_text.h"
#include "convert/index_reader.h"
#include "convert/message_parser.h"
#include "decode/charset.h"
#include "decode/iso2022jp.h"
#include "util/line_reader.h"
#include "util/memory_file.h"

namespace vellum::bench {
namespace {

const TextMaker& Maker() {
    static const TextMaker maker;
    return maker;
}

// Body lines as messages hold them: paragraphs of 40 to 76 bytes with empty lines between.
std::vector<std::string> BodyLines(Charset charset, std::size_t count = 200) {
    Random r(42);
    std::vector<std::string> lines;
    while (lines.size() < count) {
        for (std::size_t n = 1 + r.Below(8); n > 0; --n) lines.push_back(Maker().Line(r, charset, 40 + r.Below(37)));
        lines.emplace_back();
    }
    return lines;
}

std::size_t TotalSize(const std::vector<std::string>& lines) {
    std::size_t bytes = 0;
    for (const std::string& line : lines) bytes += line.size();
    return bytes;
}

// ---- line splitting: 4 MB of message file, CR LF line ends ----
void BM_LineReader(benchmark::State& state) {
    std::string bytes;
    for (int round = 0; bytes.size() < (4u << 20); ++round) {
        for (const std::string& line : BodyLines(static_cast<Charset>(round % 4))) bytes += line + "\r\n";
    }
    MemoryFile file(std::move(bytes));
    LineReader lines(file);
    std::string_view line;  // as the message store reads them: views into the buffer
    for (auto _ : state) {
        lines.SeekTo(0);
        while (lines.ReadLine(line)) benchmark::DoNotOptimize(line.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.Size()));
}
BENCHMARK(BM_LineReader);

// ---- the per-line tests ----
// Header lines of a message before its status line (and another message's status line): the
// structure, date, marker and charset tests.
void BM_ScanMessageLine_Header(benchmark::State& state) {
    const std::vector<std::string> lines = {
        "Return-Path: <user123@example.co.jp>",
        "Received: from mx3.example.net (mx.example.net [192.0.2.17]) by mail.example.jp with ESMTP id "
        "00A1B2C3 for <user77@example.jp>; Tue, 4 Feb 2020 18:15:00 +0900",
        "Date: Tue, 4 Feb 2020 18:15:00 +0900",
        "From: Taro Yamada <user123@example.co.jp>",
        "To: user77@example.jp",
        "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTyEjGyhC?=",
        "Message-ID: <5E000001.4711@example.co.jp>",
        "MIME-Version: 1.0",
        "Content-Type: text/plain; charset=iso-2022-jp",
        "Content-Transfer-Encoding: 7bit",
        "X-Mailer: Mailer 2.75.03 [ja]",
        "X-Becky-Status: 0,0,0,0,0,5E000000,0",
    };
    IndexRecord record;
    record.messageKey = "5E000001";
    record.bodyCharset = "iso-2022-jp";
    for (auto _ : state) {
        MessageScanState scan;
        MessageFields fields;
        for (const std::string& line : lines) benchmark::DoNotOptimize(ScanMessageLine(record, line, scan, fields));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK(BM_ScanMessageLine_Header);

// Body lines of the indexed message (single part): conversion, UTF-8, into the body.
void BM_ScanMessageLine_Body(benchmark::State& state, Charset charset) {
    const std::vector<std::string> lines = BodyLines(charset);
    IndexRecord record;
    record.messageKey = "5E000001";
    record.bodyCharset = CharsetName(charset);
    for (auto _ : state) {
        MessageScanState scan;
        scan.found = true;
        MessageFields fields;
        for (const std::string& line : lines) benchmark::DoNotOptimize(ScanMessageLine(record, line, scan, fields));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK_CAPTURE(BM_ScanMessageLine_Body, iso_2022_jp, Charset::Iso2022Jp);
BENCHMARK_CAPTURE(BM_ScanMessageLine_Body, utf_8, Charset::Utf8);
BENCHMARK_CAPTURE(BM_ScanMessageLine_Body, shift_jis, Charset::ShiftJis);
BENCHMARK_CAPTURE(BM_ScanMessageLine_Body, us_ascii, Charset::UsAscii);

// ---- charset decoding, line by line ----
void BM_DecodeIso2022Jp(benchmark::State& state, Charset text) {
    const std::vector<std::string> lines = BodyLines(text);
    std::string out;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            out.clear();
            DecodeIso2022Jp(line, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK_CAPTURE(BM_DecodeIso2022Jp, japanese, Charset::Iso2022Jp);
// English lines, quoted or in signatures, are single-byte text from end to end.
BENCHMARK_CAPTURE(BM_DecodeIso2022Jp, english, Charset::UsAscii);

void BM_ConvertCharsetToAnsi(benchmark::State& state, Charset charset) {
    const std::vector<std::string> lines = BodyLines(charset);
    const char* name = CharsetName(charset);
    for (auto _ : state) {
        for (const std::string& line : lines) benchmark::DoNotOptimize(ConvertCharsetToAnsi(name, line));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsi, iso_2022_jp, Charset::Iso2022Jp);
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsi, utf_8, Charset::Utf8);
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsi, shift_jis_unchanged, Charset::ShiftJis);

// The same into one buffer, as the message parser converts its lines.
void BM_ConvertCharsetToAnsiInto(benchmark::State& state, Charset charset) {
    const std::vector<std::string> lines = BodyLines(charset);
    const char* name = CharsetName(charset);
    std::string out;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            ConvertCharsetToAnsi(name, line, out);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsiInto, iso_2022_jp, Charset::Iso2022Jp);
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsiInto, utf_8, Charset::Utf8);
BENCHMARK_CAPTURE(BM_ConvertCharsetToAnsiInto, shift_jis_unchanged, Charset::ShiftJis);

// Code page 932 to the document's UTF-8, on Shift_JIS lines (every body line goes through it).
void BM_AnsiToUtf8(benchmark::State& state) {
    const std::vector<std::string> lines = BodyLines(Charset::ShiftJis);
    std::string out;
    for (auto _ : state) {
        out.clear();
        for (const std::string& line : lines) AnsiToUtf8(line, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TotalSize(lines)));
}
BENCHMARK(BM_AnsiToUtf8);

// ---- the index: one record per line of "Folder.idx", on the run's own thread ----
void BM_ParseIndexLine(benchmark::State& state) {
    Random r(7);
    std::vector<std::string> lines;
    std::size_t bytes = 0;
    for (int i = 0; i < 200; ++i) {
        const auto charset = static_cast<Charset>(i % 4);
        std::string line = "0\x01" + std::to_string(0x5e000000 + i) + "\x01" + "00001\x01" + Maker().Line(r, charset, 16 + r.Below(40)) +
                           "\x01Taro Yamada <user" + std::to_string(r.Below(5000)) + "@example.com>\x01user" +
                           std::to_string(r.Below(5000)) + "@example.co.jp, user" + std::to_string(r.Below(5000)) +
                           "@mail.example.org\x01<" + std::to_string(0x5e000000 + i) + ".56520@example.jp>";
        for (int field = 7; field <= 15; ++field) line += "\x01" "0";
        line += std::string("\x01") + CharsetName(charset) + "\x01" "0\x01" + std::to_string(r.Below(30000)) + "\x01" + CharsetName(charset);
        bytes += line.size() + 2;
        lines.push_back(std::move(line));
    }
    const std::string folder = "/home/user/Mail/Inbox/";
    IndexRecord record;
    for (auto _ : state) {
        for (const std::string& line : lines) {
            benchmark::DoNotOptimize(ParseIndexLine(line, folder, record));
            benchmark::DoNotOptimize(record.messageKey.data());
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * lines.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_ParseIndexLine);

}  // namespace
}  // namespace vellum::bench

BENCHMARK_MAIN();
