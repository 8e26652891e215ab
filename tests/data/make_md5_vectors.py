#!/usr/bin/env python3
"""Writes md5_vectors.txt: digests made by Python's hashlib of the inputs that the MD5 test
generates with the same generator (a 64-bit LCG, the top byte of each state as one byte).

Input i (from 0) has length i for i <= 130, then a generated length from 0 to 1000."""
import hashlib

MASK = (1 << 64) - 1
state = 0x5EED_1234_ABCD_0001


def next_value():
    global state
    state = (state * 6364136223846793005 + 1442695040888963407) & MASK
    return state


with open("md5_vectors.txt", "w") as out:
    for i in range(1200):
        length = i if i <= 130 else (next_value() >> 33) % 1001
        data = bytes((next_value() >> 56) for _ in range(length))
        out.write(f"{length} {hashlib.md5(data).hexdigest()}\n")
