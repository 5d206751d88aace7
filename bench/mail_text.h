// Mail-like text for the benchmarks: Japanese and English lines in the charsets mail arrives in.
// Deterministic: the same seed gives the same bytes with every compiler and library.
#pragma once
#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <string_view>

#include "decode/charset.h"
#include "decode/codepage.h"

namespace vellum::bench {

// SplitMix64, with plain modulo reduction (the standard distributions differ between libraries).
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }
    bool Chance(unsigned percent) { return Below(100) < percent; }
    // Exponentially distributed with the given mean.
    double Exponential(double mean) {
        const double u = (static_cast<double>(Next() >> 11) + 1.0) / 9007199254740993.0;  // (0, 1]
        return -std::log(u) * mean;
    }

private:
    std::uint64_t state_;
};

enum class Charset { Iso2022Jp, Utf8, ShiftJis, UsAscii };

// The name the index and the Content-Type header give.
inline const char* CharsetName(Charset c) {
    switch (c) {
        case Charset::Iso2022Jp: return "iso-2022-jp";
        case Charset::Utf8: return "utf-8";
        case Charset::ShiftJis: return "shift_jis";
        case Charset::UsAscii: return "us-ascii";
    }
    return "";
}

class TextMaker {
public:
    TextMaker() {
        // UTF-8 of every JIS X 0208 cell, through code page 932 as the converter itself reads it.
        for (unsigned j1 = 0x21; j1 <= 0x7e; ++j1) {
            for (unsigned j2 = 0x21; j2 <= 0x7e; ++j2) {
                std::u16string wide = codepage::Cp932ToWide(ShiftJis(j1, j2));
                AppendUtf8(utf8_[Cell(j1, j2)], wide);
            }
        }
    }

    // A line of about `target` bytes in `charset`: Japanese with some ASCII words, or English.
    std::string Line(Random& r, Charset charset, std::size_t target) const {
        std::string line;
        if (r.Chance(10)) line = "> ";  // a quoted reply
        if (charset == Charset::UsAscii) {
            while (line.size() < target) {
                if (line.size() > 2) line += ' ';
                line += kWords[r.Below(kWords.size())];
            }
            line += r.Chance(50) ? "." : ",";
            return line;
        }
        while (line.size() < target) {
            if (r.Chance(15)) {
                line += kTokens[r.Below(kTokens.size())];
                continue;
            }
            // A run of Japanese characters.
            if (charset == Charset::Iso2022Jp) line += "\x1b$B";
            for (std::size_t n = 3 + r.Below(10); n > 0; --n) {
                const auto [j1, j2] = Character(r);
                switch (charset) {
                    case Charset::Iso2022Jp:
                        line.push_back(static_cast<char>(j1));
                        line.push_back(static_cast<char>(j2));
                        break;
                    case Charset::ShiftJis: line += ShiftJis(j1, j2); break;
                    default: line += utf8_[Cell(j1, j2)]; break;
                }
                if (line.size() >= target) break;
            }
            if (charset == Charset::Iso2022Jp) line += "\x1b(B";
        }
        return line;
    }

    static std::string ShiftJis(unsigned j1, unsigned j2) {
        const unsigned t = (j1 - 0x21) >> 1;
        const unsigned s1 = t + 0x81 > 0x9f ? t + 0xc1 : t + 0x81;
        const unsigned s2 = (j1 & 1u) ? (j2 < 0x60 ? j2 + 0x1f : j2 + 0x20) : j2 + 0x7e;
        return {static_cast<char>(s1), static_cast<char>(s2)};
    }

private:
    static std::size_t Cell(unsigned j1, unsigned j2) { return (j1 - 0x21) * 94 + (j2 - 0x21); }

    // Mostly hiragana and kanji, some katakana and punctuation, now and then a circled digit
    // or a wave dash (the characters that code page 932 treats specially).
    static std::array<unsigned, 2> Character(Random& r) {
        const std::size_t k = r.Below(100);
        if (k < 50) return {0x24, 0x21 + static_cast<unsigned>(r.Below(0x53))};          // hiragana
        if (k < 82) return {0x30 + static_cast<unsigned>(r.Below(0x1f)),                 // kanji level 1
                            0x21 + static_cast<unsigned>(r.Below(94))};
        if (k < 92) return {0x25, 0x21 + static_cast<unsigned>(r.Below(0x56))};          // katakana
        if (k < 98) return {0x21, kPunctuation[r.Below(kPunctuation.size())]};
        if (k < 99) return {0x2d, 0x21 + static_cast<unsigned>(r.Below(20))};            // circled digits
        return {0x21, 0x41};                                                             // wave dash
    }

    static constexpr std::array<unsigned, 6> kPunctuation = {0x22, 0x23, 0x56, 0x57, 0x26, 0x29};
    static constexpr std::array<std::string_view, 10> kTokens = {
        "PDF", " OK ", "10:30", "ID: 4711", "https://www.example.co.jp/info/", "2020", " (", ") ", "No.12", "Web"};
    static constexpr std::array<std::string_view, 32> kWords = {
        "the", "order", "was", "shipped", "today", "please", "find", "attached", "invoice", "for",
        "March", "meeting", "on", "Friday", "at", "10:00", "in", "room", "B", "we", "will", "send",
        "the", "report", "and", "thank", "you", "regards", "project", "schedule", "update", "team"};

    std::array<std::string, 94 * 94> utf8_;
};

}  // namespace vellum::bench
