#!/usr/bin/env python3
"""Writes seeded random mail folders (Folder.idx and its .bmf files) into folders (created when missing).

    random_folders.py SEED FOLDER...

Folder n (counting from 0) is made from the seed SEED + n, so the same arguments always give
the same bytes. The folders go down the paths of the message rules (repeated and interleaved
keys, keys that match nothing, missing ends, quoted boundaries, empty charsets, dates and
charsets carried over from earlier messages) and hold text that code page conversions treat
differently from system to system: UTF-8 cut short by the end of a line or broken inside it,
characters outside code page 932, Shift_JIS lead bytes without their trail byte, JIS escapes
without an end, NUL, CR and Ctrl-Z bytes inside lines. Every index line names a message file
that exists, so every folder converts.
"""
import os
import random
import sys

# UTF-8 that ends in the middle of a character, and UTF-8 broken inside a line.
CUT_UTF8 = [
    b"\xe3\x81",                  # first two bytes of a three-byte character
    b"cut \xe3\x81\x82\xe3",      # a whole character, then a lead byte
    b"\xf0\x9f\x98",              # three of four
    b"a\xf0b",                    # a four-byte lead byte followed by ASCII
    b"\xc3",                      # a lone lead byte
    b"x\xe3\x81y\xe3",            # cut inside, and cut at the end
]


class FolderMaker:
    def __init__(self, seed):
        self.random = random.Random(seed)

    def pick(self, n):
        return self.random.randrange(n)

    def chance(self, percent):
        return self.pick(100) < percent

    def key(self):
        return b"K%d" % self.pick(30)

    def boundary(self):
        return b"B%d" % self.pick(4)

    def boundary_parameter(self):
        b = self.boundary()
        return [b"boundary=" + b, b'boundary="' + b + b'"', b'boundary="' + b + b'";', b"boundary=" + b + b";"][self.pick(4)]

    def date(self):
        day = b"%d" % (1 + self.pick(28))
        month = [b"Jan", b"Feb", b"Mar", b"dec", b"Dec"][self.pick(5)]
        n = self.pick(5)
        if n == 0:
            return b"Date: " + day + b" " + month + b" 2020 10:0%d:00 +0900" % self.pick(10)
        if n == 1:
            return b"Date: 4 Feb 2020 18:15:00"  # too few fields
        if n == 2:
            return b"Delivery-Date: Tue, 4 Feb 2021 18:15:00 +0900"
        return b"Date: Tue, " + day + b" " + month + b" 2019 08:05:09 +0900"

    def text(self):
        texts = [
            b"",
            b"plain text line",
            b"\x1b$B\x24\x22\x24\x24\x2d\x21\x1b(B mixed",      # iso-2022-jp, with a vendor character
            b"\x1b$B\x24\x22\x24",                               # JIS: odd bytes, no end escape
            b"\xe3\x81\x82\xef\xbd\x9e utf-8 \xe2\x91\xa0",       # ends with a circled one
            b"\xf0\x9f\x98\x80 outside cp932 \xef\xbd\xb6",        # an emoji, a halfwidth katakana
            b"\x82\xa0\x87\x40 sjis",
            b"sjis cut \x82",                                   # a lead byte without its trail byte
            b"bad \xff\xfe\xc3",
            b"nul\0inside, cr\rinside, ctrl-z\x1ainside",
            b"..",
            b"Subject: text with charset=utf-8 inside",
        ]
        if self.chance(25):
            return self.random.choice(CUT_UTF8)
        return texts[self.pick(len(texts))]

    def any_line(self):
        n = self.pick(16)
        if n == 0:
            return self.date()
        if n == 1:
            return b"Content-Type: multipart/mixed; " + self.boundary_parameter()
        if n == 2:
            return b"Content-Type: text/plain; charset=" + (b"iso-2022-jp" if self.chance(50) else b'"utf-8"')
        if n == 3:
            return b"Content-Type: text/html"
        if n == 4:
            return b"Mime-Version: 1.0" if self.chance(80) else b"MIME-Version: 1.0"
        if n == 5:
            return b"--" + self.boundary()
        if n == 6:
            return b"--" + self.boundary() + b"--"
        if n == 7:
            return b"."
        if n == 8:
            return b"X-Becky-Status: 0,0,0,0,0," + self.key() + b",0"
        if n == 9:
            return b"\tboundary=" + self.boundary()
        if n == 10:
            return b"Content-Type: multipart/alternative;"
        return self.text()

    def message(self, key):
        lines = []
        if self.chance(80):
            lines.append(self.date())
        if self.chance(60):
            lines.append(b"Content-Type: multipart/mixed; " + self.boundary_parameter())
        elif self.chance(60):
            charset = [b"iso-2022-jp", b"utf-8;", b"utf-8", b"shift_jis"][self.pick(4)]
            lines.append(b"Content-Type: text/plain; charset=" + charset)
        if self.chance(50):
            lines.append(b"Mime-Version: 1.0")
        if self.chance(10):
            lines.append(b"X-Becky-Status: a,b,c,d," + key)  # five items: no marker
        # The status line itself may carry a date or a charset that the header tests still read.
        extra = b" charset=utf-8" if self.chance(10) else b" Date: 9 Mar 2021 1:2:3 Z" if self.chance(5) else b""
        lines.append(b"X-Becky-Status: 0,0,0,0,0," + key + b",0" + extra)
        for _ in range(self.pick(12)):
            lines.append(self.text() if self.chance(70) else self.any_line())
        end = self.pick(4)
        if end == 0:
            lines.append(b".")
        elif end == 1:
            lines.append(b"--" + self.boundary())
        elif end == 3:
            b = self.boundary()
            lines += [b"--" + b, b"Content-Type: text/plain; charset=utf-8", b"Mime-Version: 1.0", b"",
                      self.text(), b"--" + b]
        return lines

    def file(self, messages):
        eol = b"\r\n" if self.chance(50) else b"\n"
        data = b"".join(line + eol for _ in range(messages) for line in self.message(self.key()))
        if self.chance(30) and data:
            data = data[: -len(eol)]  # last line without its end
        return data

    def charset(self):
        return [b"", b"iso-2022-jp", b"utf-8", b"shift_jis", b"UTF-8", b"<iso-2022-jp"][self.pick(6)]

    def subject(self):
        n = self.pick(4)
        if n == 0:
            return b"Subject"
        if n == 1:
            return b"\x1b$B\x24\x22\x1b(B"
        if n == 2:
            return b"\xe4\xbc\x9a\xe8\xad\xb0 \xe2\x91\xa1"  # UTF-8: a meeting, circled two
        return self.random.choice(CUT_UTF8)

    def index(self, files, lines):
        out = []
        for _ in range(lines):
            if self.chance(5):
                out.append(b"short\x01line")
                continue
            fields = [b""] * 20
            fields[0] = b"0"
            fields[1] = self.key()
            fields[2] = b"f%d" % self.pick(files)
            fields[3] = self.subject()
            fields[4] = b"Name <a@b.jp>"
            fields[5] = b"c@d.jp, e@f.jp"
            fields[6] = b"<id@x>"
            fields[16] = self.charset()
            fields[19] = self.charset() if self.chance(50) else b";"
            out.append(b"\x01".join(fields))
        eol = b"\r\n" if self.chance(50) else b"\n"
        return b"".join(line + eol for line in out)


def make_folder(seed, folder):
    os.makedirs(folder, exist_ok=True)
    make = FolderMaker(seed)
    files = 1 + make.pick(4)
    for f in range(files):
        with open(os.path.join(folder, "f%d.bmf" % f), "wb") as out:
            out.write(make.file(5 + make.pick(40)))
    with open(os.path.join(folder, "Folder.idx"), "wb") as out:
        out.write(make.index(files, 10 + make.pick(80)))


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: random_folders.py SEED FOLDER...")
    seed = int(sys.argv[1])
    for n, folder in enumerate(sys.argv[2:]):
        make_folder(seed + n, folder)


if __name__ == "__main__":
    main()
