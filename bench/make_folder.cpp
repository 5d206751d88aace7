// make_folder: writes a large mail folder (Folder.idx and its .bmf files) for the benchmarks.
//
//   make_folder OUTDIR [--messages N] [--files F] [--scale K] [--seed S]
//
// N messages (default 100000, about 1 GB) times K (default 1) in F message files (default 8),
// so --scale 2 doubles the messages of every file. Messages fill the files one after another
// and the index lists them in that order, as the client stores mail as it arrives. About 10 KB
// a message on average, lines of about 70 bytes, charsets mixed (ISO-2022-JP, UTF-8, Shift_JIS,
// US-ASCII), one in five multipart with a preamble line before its first delimiter, so that
// every message ends where it should. The same arguments always give the same bytes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "bench/mail_text.h"

namespace {

using vellum::bench::Charset;
using vellum::bench::CharsetName;
using vellum::bench::Random;
using vellum::bench::TextMaker;

const char* const kDays[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kNames[] = {"Taro Yamada", "Sales Desk", "Hanako Sato", "Support", "Jiro Suzuki", "Keiri"};
const char* const kDomains[] = {"example.co.jp", "example.jp", "example.com", "mail.example.org"};

struct Options {
    std::filesystem::path folder;
    std::uint64_t messages = 100000;
    std::uint64_t files = 8;
    std::uint64_t scale = 1;
    std::uint64_t seed = 1;
};

class FolderWriter {
public:
    explicit FolderWriter(std::uint64_t seed) : random_(seed) {}

    // One message for the message file, and its line for the index.
    void Message(std::uint64_t number, const std::string& stem, std::string& file, std::string& index) {
        Random& r = random_;
        const std::string key = Hex(0x5e000000u + number);
        const std::size_t pick = r.Below(100);
        const Charset charset = pick < 45   ? Charset::Iso2022Jp
                                : pick < 70 ? Charset::Utf8
                                : pick < 85 ? Charset::ShiftJis
                                            : Charset::UsAscii;
        const bool multipart = r.Chance(20);
        const std::string sender = Address(r);
        const std::string senderName = kNames[r.Below(6)];
        const std::string recipient = Address(r);
        const std::string messageId = key + "." + std::to_string(r.Below(100000)) + "@" + kDomains[r.Below(4)];
        const std::string subject = text_.Line(r, charset, 16 + r.Below(40));
        const std::string boundary = "----=_NextPart_000_" + Hex(r.Next() & 0xffffffffu) + "." + key;
        const std::string date = std::string(kDays[r.Below(7)]) + ", " + std::to_string(1 + r.Below(28)) + " " +
                                 kMonths[r.Below(12)] + " " + std::to_string(2015 + r.Below(10)) + " " +
                                 Two(r.Below(24)) + ":" + Two(r.Below(60)) + ":" + Two(r.Below(60)) + " +0900";

        const std::size_t start = file.size();
        Line(file, "Return-Path: <" + sender + ">");
        Line(file, "Received: from mx" + std::to_string(r.Below(9)) + ".example.net (mx.example.net [192.0.2." +
                       std::to_string(r.Below(255)) + "]) by mail.example.jp with ESMTP id " + Hex(r.Next() & 0xffffffu) +
                       " for <" + recipient + ">; " + date);
        Line(file, "Date: " + date);
        Line(file, "From: " + senderName + " <" + sender + ">");
        Line(file, "To: " + recipient);
        Line(file, "Subject: =?ISO-2022-JP?B?GyRCJDMkcyRLJEEkTyEjGyhC?=");
        Line(file, "Message-ID: <" + messageId + ">");
        Line(file, "MIME-Version: 1.0");
        if (multipart) {
            Line(file, "Content-Type: multipart/mixed; boundary=" + boundary);
        } else {
            Line(file, std::string("Content-Type: text/plain; charset=") + CharsetName(charset));
            Line(file, "Content-Transfer-Encoding: 7bit");
        }
        Line(file, "X-Mailer: Mailer 2.75.03 [ja]");
        Line(file, "X-Becky-Status: 0,0,0,0,0," + key + ",0");
        Line(file, "");

        const std::size_t size = 1500 + static_cast<std::size_t>(r.Exponential(7500));
        const std::size_t end = start + (size < 60000 ? size : 60000);
        if (multipart) {
            Line(file, "This is a multi-part message in MIME format.");
            Line(file, "");
            Line(file, "--" + boundary);
            Line(file, std::string("Content-Type: text/plain; charset=") + CharsetName(charset));
            Line(file, "Content-Transfer-Encoding: 7bit");
            Line(file, "");
            Body(r, charset, file, start + (end - start) / 2);
            Line(file, "--" + boundary);
            Line(file, "Content-Type: application/pdf; name=\"report.pdf\"");
            Line(file, "Content-Transfer-Encoding: base64");
            Line(file, "Content-Disposition: attachment; filename=\"report.pdf\"");
            Line(file, "");
            while (file.size() < end) Line(file, Base64Line(r));
            Line(file, "--" + boundary + "--");
        } else {
            Body(r, charset, file, end);
        }
        Line(file, ".");

        // Index fields 0 to 19: 1 key, 2 file stem, 3 subject, 4 sender, 5 recipients, 6 message
        // ID, 16 body charset, 19 field charset (empty now and then: the body charset stands in).
        std::vector<std::string> fields = {"0", key, stem, subject, senderName + " <" + sender + ">",
                                           recipient + ", " + Address(r), "<" + messageId + ">"};
        fields.resize(16, "0");
        fields.push_back(CharsetName(charset));
        fields.push_back("0");
        fields.push_back(std::to_string(file.size() - start));
        fields.push_back(r.Chance(70) ? CharsetName(charset) : "");
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i > 0) index.push_back('\x01');
            index += fields[i];
        }
        index += "\r\n";
    }

private:
    static void Line(std::string& out, std::string_view line) {
        out += line;
        out += "\r\n";
    }

    static std::string Hex(std::uint64_t value) {
        static const char kDigits[] = "0123456789ABCDEF";
        std::string hex(8, '0');
        for (std::size_t i = 8; i-- > 0; value >>= 4) hex[i] = kDigits[value & 0xf];
        return hex;
    }

    static std::string Two(std::size_t n) { return std::string(n < 10 ? 1 : 0, '0') + std::to_string(n); }

    static std::string Address(Random& r) {
        return "user" + std::to_string(r.Below(5000)) + "@" + kDomains[r.Below(4)];
    }

    static std::string Base64Line(Random& r) {
        static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        std::string line(76, 'A');
        for (char& c : line) c = kAlphabet[r.Below(64)];
        return line;
    }

    // Paragraphs of lines of 40 to 76 bytes, separated by empty lines, up to `end` bytes.
    void Body(Random& r, Charset charset, std::string& out, std::size_t end) const {
        while (out.size() < end) {
            for (std::size_t n = 1 + r.Below(8); n > 0; --n) Line(out, text_.Line(r, charset, 40 + r.Below(37)));
            Line(out, "");
        }
    }

    Random random_;
    TextMaker text_;
};

bool ReadNumber(const char* text, std::uint64_t& value) {
    try {
        std::size_t used = 0;
        value = std::stoull(text, &used);
        return text[used] == '\0';
    } catch (...) {
        return false;
    }
}

bool Parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::uint64_t* value = arg == "--messages" ? &options.messages
                               : arg == "--files"  ? &options.files
                               : arg == "--scale"  ? &options.scale
                               : arg == "--seed"   ? &options.seed
                                                   : nullptr;
        if (value != nullptr) {
            if (++i == argc || !ReadNumber(argv[i], *value)) return false;
        } else if (options.folder.empty() && !arg.starts_with("-")) {
            options.folder = arg;
        } else {
            return false;
        }
    }
    return !options.folder.empty() && options.files > 0 && options.scale > 0;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes, bool append) {
    std::FILE* f = std::fopen(path.string().c_str(), append ? "ab" : "wb");
    if (f == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!Parse(argc, argv, options)) {
        std::cerr << "usage: make_folder OUTDIR [--messages N] [--files F] [--scale K] [--seed S]\n";
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(options.folder, error);
    const std::filesystem::path indexPath = options.folder / "Folder.idx";
    if (error || !WriteFile(indexPath, "", false)) {
        std::cerr << "make_folder: cannot write " << indexPath << "\n";
        return 1;
    }

    const std::uint64_t total = options.messages * options.scale;
    FolderWriter writer(options.seed);
    std::uint64_t bytes = 0;
    std::uint64_t number = 0;
    for (std::uint64_t f = 0; f < options.files; ++f) {
        std::string stem = std::to_string(f + 1);
        if (stem.size() < 5) stem.insert(0, 5 - stem.size(), '0');  // 00001.bmf, as the client names them
        const std::filesystem::path path = options.folder / (stem + ".bmf");
        if (!WriteFile(path, "", false)) {
            std::cerr << "make_folder: cannot write " << path << "\n";
            return 1;
        }
        // Written in slices of about 16 MB, so that the generator stays small.
        std::string file, index;
        const std::uint64_t last = total * (f + 1) / options.files;
        while (number < last) {
            writer.Message(number++, stem, file, index);
            if (file.size() >= (16u << 20) || number == last) {
                if (!WriteFile(path, file, true) || !WriteFile(indexPath, index, true)) {
                    std::cerr << "make_folder: cannot write " << path << "\n";
                    return 1;
                }
                bytes += file.size() + index.size();
                file.clear();
                index.clear();
            }
        }
    }
    std::cout << "make_folder: " << total << " messages in " << options.files << " files, " << bytes
              << " bytes, in " << options.folder.string() << "\n";
    return 0;
}
