#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs into corpus/<target>/: items images as the import and the
duplicate removal write them, GBK texts, CR LF files and edge cases, each laid out as its target
reads its input. Run it from any directory; it replaces the files it writes and no others."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

ROW_HEADER = b"\x00" + b"\xff" * 8 + b"\x00" * 8
COLUMN_HEADER = b"\x01" + b"\xff" * 8 + b"\x00" * 8
COLUMN_JOINT = b"\x00\x00" + COLUMN_HEADER


def gbk(text):
    return text.encode("gbk")


def entry(kind, text, second=b"", image=-1, state_image=-1, indent=0, row_value=0):
    return (bytes([kind]) + struct.pack("<iiii", image, state_image, indent, row_value) + text +
            b"\x00" + second + b"\x00")


def imported_rows(texts):
    """The image of rows numbered from 1; an empty text (an empty line) has no column entry."""
    image = b""
    for number, text in enumerate(texts, 1):
        image += ROW_HEADER + str(number).encode() + b"\x00\x00"
        if text is not None:
            image += COLUMN_HEADER + text + b"\x00\x00"
    return image


def write(target, name, data):
    directory = os.path.join(HERE, "corpus", target)
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as out:
        out.write(data)


LIMIT_OMITTED = 0x00


def limit(count):
    return 0x80 + count + 3


PHONES = [b"13800000000", b"13912345678", b"13800000000"]
NAMES = [gbk("张三"), gbk("李四"), gbk("张三"), gbk("王五----备注")]

# --- list_items_fuzz: the image itself -----------------------------------------------------------
write("list_items_fuzz", "imported_phones", imported_rows(PHONES + [None, b"", b" 1 "]))
write("list_items_fuzz", "imported_gbk", imported_rows(NAMES[:3]))
write("list_items_fuzz", "deduplicated", imported_rows([gbk("张三"), gbk("李四")]))
write("list_items_fuzz", "tips_and_columns",
      entry(1, b"before any row") + entry(0, b"1", gbk("提示")) + entry(1, b"a") + entry(7, b"b") +
      entry(1, b"c") + entry(1, b"past the last column") + entry(0, b"2", image=3, indent=2) +
      entry(2, b"", b"unused"))
write("list_items_fuzz", "cut_in_header", imported_rows([b"a", b"b"]) + ROW_HEADER[:9])
write("list_items_fuzz", "cut_in_text", imported_rows([b"a"]) + ROW_HEADER + b"2")
write("list_items_fuzz", "cut_in_second_text", imported_rows([b"a"]) + entry(0, b"2")[:-1])

# --- split_text_fuzz: separator choice, [separator], limit choice, text ---------------------------
OMITTED, COMMA, DASHES, EMPTY, GIVEN = 0, 1, 2, 3, 4


def given(length):
    """The choice byte of a separator of `length` bytes taken from the input."""
    return next(v for v in range(256) if v % 8 >= GIVEN and v // 8 % 4 == length - 1)


def text_split(choice, count, text, separator=b""):
    return bytes([choice]) + separator + bytes([count]) + text


write("split_text_fuzz", "commas", text_split(OMITTED, LIMIT_OMITTED, b"a,,b,"))
write("split_text_fuzz", "leading_comma", text_split(COMMA, LIMIT_OMITTED, b",a"))
write("split_text_fuzz", "limit_2", text_split(COMMA, limit(2), b"a,b,c"))
write("split_text_fuzz", "limit_negative", text_split(COMMA, limit(-1), b"a,b"))
write("split_text_fuzz", "empty_separator", text_split(EMPTY, LIMIT_OMITTED, b"abc"))
write("split_text_fuzz", "gbk_line", text_split(DASHES, limit(1), gbk("王五----备注----")))
write("split_text_fuzz", "gbk_dashes", text_split(DASHES, LIMIT_OMITTED, b"x----" + gbk("张三") + b"--"))
# Trail bytes 0x40 to 0x7E look like ASCII: "@" and "|" must not cut a character.
write("split_text_fuzz", "trail_byte_at", text_split(given(1), LIMIT_OMITTED, b"\x81\x40@x", b"@"))
write("split_text_fuzz", "trail_byte_bar",
      text_split(given(1), LIMIT_OMITTED, b"a|\x81\x7c|\xb0\x7cb", b"|"))
write("split_text_fuzz", "lone_lead_byte", text_split(COMMA, LIMIT_OMITTED, b"a,\x81"))
write("split_text_fuzz", "two_byte_separator",
      text_split(given(2), LIMIT_OMITTED, gbk("甲，乙，，丙"), gbk("，")))

# --- buffer_split_fuzz: two cut points (x 64), separator choice, [separator], count choice,
# content
B_OMITTED, B_EMPTY, B_CRLF, B_GIVEN = 0, 1, 2, 3


def buffer_choice(separator, length=1):
    return next(v for v in range(256)
                if min(v % 8, B_GIVEN) == separator and v // 8 % 4 == length - 1)


def buffer_split(cuts, choice, count, content, separator=b""):
    return bytes(cuts) + bytes([choice]) + separator + bytes([count]) + content


crlf_file = b"".join(gbk(line) + b"\r\n" for line in ["13800000000", "张三----备注", "", "李四"])
CRLF = buffer_choice(B_CRLF)
write("buffer_split_fuzz", "crlf_file", buffer_split([0, 0], CRLF, 0, crlf_file))
write("buffer_split_fuzz", "crlf_no_last", buffer_split([0, 0], CRLF, 0, b"a\r\n\r\nb"))
write("buffer_split_fuzz", "crlf_double_end", buffer_split([0, 0], CRLF, 0, b"a\r\nb\r\n\r\n"))
write("buffer_split_fuzz", "lf_only", buffer_split([0, 0], CRLF, 0, b"a\nb\n"))
write("buffer_split_fuzz", "zero_in_line", buffer_split([0, 0], CRLF, 0, b"ab\x00cd\r\n\x00x\r\n"))
write("buffer_split_fuzz", "commas_count_2",
      buffer_split([0, 0], buffer_choice(B_OMITTED), limit(2), b"a,b,c"))
write("buffer_split_fuzz", "given",
      buffer_split([1, 0], buffer_choice(B_GIVEN, 3), 0, b"x" * 70 + b"---y", b"---"))
# 10240 bytes: set in pieces of 64 x 159 and 64 x 1 bytes, so that the buffer grows past its
# first 10240 bytes (10239 and the terminator) on the last piece.
lines = b""
while len(lines) < 10240:
    lines += b"%011d\r\n" % (13800000000 + len(lines))
write("buffer_split_fuzz", "growth", buffer_split([159, 1], CRLF, 0, lines[:10240]))

# --- date_time_text_fuzz: doubles, 8 bytes each ---------------------------------------------------
def doubles(*values):
    return b"".join(struct.pack("<d", value) for value in values)


def day_and_time(days, hours=0, minutes=0, seconds=0.0):
    return days + (hours * 3600 + minutes * 60 + seconds) / 86400


MARCH_5_2024 = 45356
write("date_time_text_fuzz", "day_parts",
      doubles(MARCH_5_2024, day_and_time(MARCH_5_2024, 14, 7), day_and_time(MARCH_5_2024, 0, 0, 5),
              day_and_time(MARCH_5_2024, 0, 5), day_and_time(MARCH_5_2024, 23, 59, 59.5),
              day_and_time(MARCH_5_2024, 12, 0, 0.4999)))
write("date_time_text_fuzz", "limits",
      doubles(-657434, 2958465, -657435, 2958466, 2958465.99999, -657433.99999, 0.0, -0.0))
write("date_time_text_fuzz", "before_1900",
      doubles(-1.25, -0.5, -1.999999999, -1.0000001, -693594, -36522.75))
write("date_time_text_fuzz", "not_finite",
      doubles(math.nan, math.inf, -math.inf, 1e300, -1e300, 5e-324, 2.0 ** 63))

# --- import_fuzz: a file's contents ---------------------------------------------------------------
def crlf_lines(*lines):
    return b"".join(line + b"\r\n" for line in lines)


write("import_fuzz", "phones", crlf_lines(b"13800000000", b"13912345678", b"13800000000"))
write("import_fuzz", "gbk_with_notes", crlf_lines(gbk("张三----备注"), gbk("李四"), gbk("张三----别的"),
                                                   b"----" + gbk("无名"), b"x--y", b" blank "))
write("import_fuzz", "empty_lines", b"a\r\n\r\nb\r\n\r\n\r\na")
write("import_fuzz", "no_last_crlf", b"a\r\nb\r\nc")
write("import_fuzz", "double_end", b"a\r\nb\r\n\r\n")
write("import_fuzz", "lf_only", b"a\nb\nc\n")
write("import_fuzz", "zero_in_line", b"ab\x00cd\r\n\x00\r\nab\r\n")
write("import_fuzz", "lead_byte_before_dashes", b"\x81----x\r\n\x81\x40----y\r\n\x81")
write("import_fuzz", "empty", b"")
write("import_fuzz", "cr_and_lf_apart", b"a\r\rb\n\n\r\nc\r")

# --- remove_duplicates_fuzz: key column and renumbering choice, then the image --------------------
KEY_1_RENUMBERED, KEY_0_RENUMBERED, KEY_2_RENUMBERED, KEY_1_KEPT_NUMBERS = 1, 0, 2, 4
write("remove_duplicates_fuzz", "imported_duplicates",
      bytes([KEY_1_RENUMBERED]) + imported_rows([gbk("张三"), gbk("李四"), gbk("张三"), None, b"",
                                                  b"", b"c"]))
write("remove_duplicates_fuzz", "nothing_to_drop",
      bytes([KEY_1_RENUMBERED]) + imported_rows([b"a", b"b", b""]))
write("remove_duplicates_fuzz", "empty_lines_only", bytes([KEY_1_RENUMBERED]) + imported_rows([None, None]))
write("remove_duplicates_fuzz", "kept_numbers",
      bytes([KEY_1_KEPT_NUMBERS]) + imported_rows([b"a", b"b", b"a", b"c"]))
write("remove_duplicates_fuzz", "by_number",
      bytes([KEY_0_RENUMBERED]) + imported_rows([b"a", b"b"]) + imported_rows([b"c"]))
two_columns = (ROW_HEADER + b"1\x00\x00" + COLUMN_HEADER + b"a\x00\x00" + COLUMN_HEADER + b"x\x00\x00" +
               ROW_HEADER + b"2\x00\x00" + COLUMN_HEADER + b"b\x00\x00" + COLUMN_HEADER + b"x\x00\x00")
write("remove_duplicates_fuzz", "second_column", bytes([KEY_2_RENUMBERED]) + two_columns)
write("remove_duplicates_fuzz", "leading_bytes",
      bytes([KEY_1_RENUMBERED]) + b"junk" + imported_rows([b"a", b"a"]) + ROW_HEADER)
write("remove_duplicates_fuzz", "other_entries",
      bytes([KEY_1_RENUMBERED]) + entry(0, b"1", b"tip") + entry(1, b"a") + entry(0, b"2") +
      entry(1, b"a", b"unused"))
