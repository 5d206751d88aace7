#!/usr/bin/env python3
"""Writes the sample mail folder examples/Inbox/ (index and message files in the host's layout).

The folder is checked in; run this only to change it, then update Inbox.REN.expected with
`build/vellumtext examples/Inbox -o examples` and read the difference.
"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
FOLDER = os.path.join(HERE, "Inbox")


def jis(text):
    # As Windows mailers write it: code page 932 pairs turned arithmetically into JIS pairs,
    # so that vendor characters such as circled digits go through.
    out, double = bytearray(), False
    data = text.encode("cp932")
    i = 0
    while i < len(data):
        s1 = data[i]
        if s1 < 0x80:
            if double:
                out += b"\x1b(B"
                double = False
            out.append(s1)
            i += 1
            continue
        s2 = data[i + 1]
        j1 = ((s1 - 0x81) if s1 <= 0x9F else (s1 - 0xC1)) * 2 + 0x21
        if s2 >= 0x9F:
            j1, j2 = j1 + 1, s2 - 0x7E
        else:
            j2 = s2 - 0x1F if s2 < 0x80 else s2 - 0x20
        if not double:
            out += b"\x1b$B"
            double = True
        out += bytes([j1, j2])
        i += 2
    if double:
        out += b"\x1b(B"
    return bytes(out)


def sjis(text):
    return text.encode("cp932")


def utf8(text):
    return text.encode("utf-8")


def index_line(key, stem, subject, sender, recipients, msgid, body_charset, field_charset):
    fields = [b"0", key, stem, subject, sender, recipients, msgid] + [b"0"] * 9
    fields += [body_charset, b"0", b"0", field_charset]
    return b"\x01".join(fields)


def message(key, date, headers, body_lines):
    lines = [b"Date: " + date] + headers + [b"X-Becky-Status: 1,0,0,0,0," + key + b",0", b""]
    return b"\r\n".join(lines + body_lines + [b"."]) + b"\r\n"


def main():
    os.makedirs(FOLDER, exist_ok=True)
    box1 = [
        message(b"1001", b"Tue, 4 Feb 2020 18:15:00 +0900",
                [b"From: " + jis("山田 太郎") + b" <taro@example.co.jp>", b"Subject: meeting",
                 b"Content-Type: text/plain; charset=ISO-2022-JP"],
                [jis("皆様"), b"", jis("金曜日の会議は①会議室で行います。"), jis("資料は～前日までに送ります。"),
                 b"", b"", ]),
        message(b"1002", b"5 Feb 2020 09:30:12 +0000",
                [b"From: Sales Desk <sales@example.com>", b"Subject: Your order",
                 b"Content-Type: text/plain; charset=us-ascii"],
                [b"Hello,", b"", b"your order has shipped.", b"..", b"Regards"]),
        message(b"1003", b"Thu, 6 Feb 2020 12:00:00 +0900",
                [b"From: hanako@example.jp", b"Subject: utf-8",
                 b"Content-Type: text/plain; charset=\"utf-8\""],
                [utf8("花子です。UTF-8 のメールです。"), utf8("波ダッシュ〜と全角チルダ～、丸数字②。")]),
    ]
    box2 = [
        message(b"2001", b"Fri, 7 Feb 2020 08:05:09 +0900",
                [b"From: " + sjis("経理部") + b" <keiri@example.co.jp>", b"Mime-Version: 1.0",
                 b"Content-Type: multipart/mixed; boundary=\"----=_Part_7\""],
                [sjis("このメッセージはマルチパート形式です。"), b"------=_Part_7",
                 b"Content-Type: text/plain; charset=Shift_JIS", b"", sjis("請求書を添付します。"),
                 b"------=_Part_7", b"Content-Type: application/pdf; name=a.pdf",
                 b"Content-Transfer-Encoding: base64", b"", b"JVBERi0xLjQK", b"------=_Part_7--"]),
        message(b"2002", b"Sat, 8 Feb 2020 23:59:59 +0900",
                [b"From: Jiro <jiro@example.org>", b"Content-Type: multipart/alternative; boundary=ALT",
                 b"Mime-Version: 1.0"],
                [b"--ALT", b"Content-Type: text/plain; charset=iso-2022-jp", b"Mime-Version: 1.0", b"",
                 jis("こんにちは。次郎です。"), b"", b"--ALT", b"Content-Type: text/html", b"",
                 b"<p>html</p>", b"--ALT--"]),
        message(b"2003", b"Sun, 9 Feb 2020 06:00:00 +0900",
                [b"From: <postmaster@example.net>", b"Subject: No charset"],
                [b"A message without any charset parameter.", b"", b"It still converts."]),
    ]
    index = [
        index_line(b"1001", b"00001", jis("会議のお知らせ"), jis("山田 太郎") + b" <taro@example.co.jp>",
                   b"Hanako <hanako@example.jp>, jiro@example.org", b"<1001@example.co.jp>",
                   b"iso-2022-jp", b"iso-2022-jp"),
        index_line(b"1002", b"00001", b"Your order", b"Sales Desk <sales@example.com>",
                   b"taro@example.co.jp", b"<1002@example.com>", b"us-ascii", b""),
        index_line(b"1003", b"00001", utf8("UTF-8 の件名"), b"hanako@example.jp",
                   b"\"Taro Yamada\" <taro@example.co.jp>", b"<1003@example.jp>", b"utf-8", b"utf-8;"),
        index_line(b"2001", b"00002", sjis("請求書の送付"), sjis("経理部") + b" <keiri@example.co.jp>",
                   b"taro@example.co.jp", b"<2001@example.co.jp>", b"Shift_JIS", b""),
        index_line(b"2002", b"00002", b"Hello", b"Jiro <jiro@example.org>", b"taro@example.co.jp",
                   b"<2002@example.org>", b"iso-2022-jp", b""),
        index_line(b"2003", b"00002", b"No charset", b"<postmaster@example.net>", b"",
                   b"<2003@example.net>", b"", b""),
    ]
    with open(os.path.join(FOLDER, "00001.bmf"), "wb") as f:
        f.write(b"".join(box1))
    with open(os.path.join(FOLDER, "00002.bmf"), "wb") as f:
        f.write(b"".join(box2))
    with open(os.path.join(FOLDER, "Folder.idx"), "wb") as f:
        f.write(b"\r\n".join(index) + b"\r\n")


if __name__ == "__main__":
    main()
