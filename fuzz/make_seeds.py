#!/usr/bin/env python3
"""Writes the checked-in seed corpora under corpus/<target>/ (run from anywhere). Each target's
input layout is described at the top of its *_fuzz.cpp; texts are Shift-JIS bytes."""

import os
import shutil
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def sj(text):
    return text.encode("cp932")


def write(target, seeds):
    folder = os.path.join(HERE, "corpus", target)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    for i, data in enumerate(seeds):
        with open(os.path.join(folder, "seed%02d" % i), "wb") as f:
            f.write(data)


# The whole input is the text; its first byte also picks the mode and the decimals.
write("number", [b"5000", b"3,000ms", b"-5.9", b"12-3", b"1.2.3", b"2147483647", b"-2147483648",
                 b"2147483648", sj("１２３"), b"\x82\x307", b".5", b"99999999999999999999",
                 b"1" + b"0" * 4940, b"0.29", b"-0.005"])

# Control byte, needle length, needle, text.
write("sjis_text", [bytes([control, len(needle)]) + needle + text for control, needle, text in [
    (0x07, sj("昭"), sj("昭和64年1月7日")),
    (0x0B, b"64", sj("昭和64/01/07")),
    (0x04, sj("　"), sj("　 全角と半角 　")),
    (0x05, b"A", sj("ｱｲｳｴｵ ABC ﾊﾟﾋﾟﾌﾞ ｶﾞｷﾞ ﾞﾟ ｳﾞ")),
    (0x09, b"@", b"\x88\x81\x40 \x81"),
    (0x0E, sj("ア"), sj("アイウエオンヴァ ＡＢＣ ａｂｃ")),
    (0x12, sj("ｈ"), sj("ぁあぃいんゑ")),
    (0x16, b"\x81", b"\x81\x81\x81\x40\x40"),
    (0x03, b"", b"plain ascii ~\\"),
]])

# Control byte, eight bytes for a date-time, then the text.
write("date_text", [bytes([i * 37 & 0xFF]) + struct.pack("<II", 0x1234567 * (i + 1) & 0xFFFFFFFF,
                                                         43200000 + i * 1001) + text
                    for i, text in enumerate([
    b"2024/02/29", b"2024/2/29 13:05:09", b"24/1/2", sj("平成1/1/8"), sj("昭和 64/01/07"),
    b"H1/1/8", b"r 5/5/1", b"12:30", sj("午後 1:02:03.456"), b"1:02 pm", b"PM 12", b"1/2",
    b"9999/12/31 23:59:59.999", b"0001/01/01", b"gg ee/mm/dd (ddd) hh:nn:ss.zzz am/pm",
    b"yyyy'year'mmmm dddd c t tt ampm a/p", sj("ggge年m月d日 dddddd"),
    b"1/9223372036854775807", b"9223372036854775807/12"])])

# Control byte, a double, then the text.
write("float_format", [bytes([control]) + struct.pack("<d", value) + text
                       for control, value, text in [
    (0x02, 1234.5, b"#,##0.00"), (0x0A, -0.005, b"0.00;(0.00);zero"), (0x07, 1e17, b"#"),
    (0x00, 0.125, b"'$'0.0#"), (0x1F, 5e-310, b"1.5E-7"), (0x03, 123456789.987654321,
                                                            sj("0.000円")),
    (0x04, -2.675, b"\"a;b\"0;'-'#,#;"), (0x05, float("inf"), b" -12.5e+3 "),
    (0x06, 0.0, b"+.5")]])

# The reply bytes: empty, short, 1900-01-02, 1970, 2024, the 2036 wrap, sign bit, too long.
write("time_count", [b"", b"\x01", b"\x00\x01\x51\x80", b"\x83\xaa\x7e\x80", b"\xe9\x5c\x2b\x00",
                     b"\xff\xff\xff\xff", b"\x80\x00\x00\x00", b"\xe9\x5c\x2b\x00\x00",
                     b"\xff" * 9])

# Any bytes; 48 or more make a message: a 2024 reply, the sign bit, all ones, short, long.
def ntp(seconds, fraction, first=b"\x1c\x02\x00\xe9"):
    return first + b"\x00" * 36 + struct.pack(">II", seconds, fraction)
write("ntp_message", [ntp(0xE95C2B00, 0x80000000), ntp(0x80000000, 0), ntp(0, 0),
                      b"\xff" * 48, ntp(0xE95C2B00, 0xFFFFFFFF)[:47],
                      ntp(0x83AA7E80, 0x00010000) + b"extension", b"\x1b"])

# The first argument, a zero byte, the second.
write("command_line", [b"/S\x005000", b"/SU\x00clRed", b"/st\x00$00FF00", b"\x000",
                       b"xx/Syy\x00-5", b"/s\x00clBtnFace", b"/ST/SU\x002.9", b"/S\x00abc",
                       b"/S\x0099999999999999999999"])


# Lengths of section, key and value, those texts, then the file's content.
def ini(section, key, value, content):
    return bytes([len(section), len(key), len(value)]) + section + key + value + content
write("ini_profile", [
    ini(b"Kestrum", b"TimeServer", b"ntp.nict.jp", b""),
    ini(b"Kestrum", b"TimeServer", b"time.nist.gov",
        b"; settings\r\n[Other]\r\nTimeServer=keep.me\r\n\r\n[KESTRUM]\r\nStartTime = 5\r\n"
        b"timeserver = old.example\r\nExtra=1\r\n\r\n[Last]\r\nA=B\r\n"),
    ini(b"Kestrum", b"StartTime", b"5000", b"[Kestrum]\nTimeServer=\"quoted\"\n[Kestrum]\nx=y"),
    ini(sj("設定"), sj("サーバ"), sj("時刻"), sj("[設定]\nサーバ=古い\nメ=別\n")),
    ini(b"New", b"K", b"", b"no sections = here\n[ spaced ] \n k = v \n"),
])

# Hour, minute, second, then one format piece per byte (H:mm:ss, t h:mm, literals, others).
write("time_format", [bytes([9, 5, 7]) + b"\x00\x0a\x05\x0a\x07",
                      bytes([13, 0, 59]) + b"\x08\x2a\x02\x0a\x05",
                      bytes([0, 30, 1]) + b"\x01\x0c\x05\x0c\x07\x0c\x1e\x3e",
                      bytes([23, 59, 59]) + b"\x0b\x1b\x0d\x4e\x09"])

# The reply datagram: a server's reply, one byte short, empty, with a key and digest, all ones.
ntp_reply = bytes([0x24, 1, 6, 0xEC]) + bytes(8) + b"LOCL" + bytes(16) + \
    struct.pack(">II", 3913056000, 0x80000000) * 2
write("sntp_exchange", [ntp_reply, ntp_reply[:47], b"", ntp_reply + bytes(20), b"\xff" * 48])

# Control byte (type, exit mode), byte limit, the text, a zero byte, a pattern / lower bound.
write("edit_text", [bytes([control, limit]) + text + b"\x00" + second
                    for control, limit, text, second in [
    (0x03, 10, b"0501", b"000-000-000"), (0x04, 0, sj("H1/1/8"), sj("平成1/1/1")),
    (0x05, 5, sj("S64/1/7"), b""), (0x08, 0, b"250000", b"12:34:56"),
    (0x01, 0, b"600000000000", b"5"), (0x07, 0, b"123456", b"##0-00"),
    (0x00, 10, sj("abcdefghiあ"), b"x"), (0x0A, 3, sj("ｶﾞA 　"), b""),
    (0x14, 0, sj("がＡ漢ﾊﾟ"), b""), (0x06, 0, b"-15", b"//15"),
    (0x03, 0, b"--1/5", b"2024/2/30"), (0x00, 2, b"a\x82", b"\x82\x20")]])
