#!/usr/bin/env python3
"""Writes sha256_vectors.txt: digests made by Python's hashlib, one message a line, as
`kind argument... digest`:

  bytes HEX DIGEST              the message's bytes in hexadecimal ("-" for none)
  repeated HEX COUNT DIGEST     one byte, COUNT times
  generated LENGTH DIGEST       the next LENGTH bytes of the generator that the tests share
                                (a 64-bit LCG, the top byte of each state as one byte)

The generated messages have every length from 0 to 300, then 40 lengths up to 5,000 drawn by
Python's random (seeded), then 1 MiB, 1 MiB + 1 and 1 MiB + 55."""
import hashlib
import random

MASK = (1 << 64) - 1
state = 0x5EED_5A25_6ABC_0002


def next_value():
    global state
    state = (state * 6364136223846793005 + 1442695040888963407) & MASK
    return state


def generated(length):
    return bytes((next_value() >> 56) for _ in range(length))


TEXTS = [
    b"",
    b"abc",
    b"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
    b"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopq"
    b"klmnopqrlmnopqrsmnopqrstnopqrstu",
    b"13800138000",
    "张三".encode("gbk"),
    "中文测试".encode("gbk"),
    "张三----李四".encode("gbk"),
    "欧阳娜娜,13912345678,广东省深圳市".encode("gbk"),
    b"a\0b",
    bytes(5),
]

with open("sha256_vectors.txt", "w") as out:
    for text in TEXTS:
        out.write(f"bytes {text.hex() or '-'} {hashlib.sha256(text).hexdigest()}\n")
    out.write(f"repeated 61 1000000 {hashlib.sha256(b'a' * 1000000).hexdigest()}\n")
    lengths = list(range(301))
    lengths += random.Random(256).choices(range(5001), k=40)
    lengths += [1 << 20, (1 << 20) + 1, (1 << 20) + 55]
    for length in lengths:
        out.write(f"generated {length} {hashlib.sha256(generated(length)).hexdigest()}\n")
