#!/usr/bin/env python3
"""Writes the seed corpus of fuzz_expression: a hit-mask byte, then expression bytes."""
import os
import struct
import subprocess

HERE = os.path.dirname(os.path.abspath(__file__))


def leaf(code, fmt, value):
    return struct.pack("<I", code) + struct.pack(fmt, value)


def op(code, *children):
    return struct.pack("<IB", code, len(children)) + b"".join(children)


def hit(i):
    return leaf(0xFFFFFFFE, "<I", i)


def ref(i):
    return leaf(0xFFFFFFFF, "<I", i)


def integer(v):
    return leaf(0, "<i", v)


SEEDS = {
    "worked_example": (0b0101, op(0x23, op(0x20, op(0x20, hit(0x2A), hit(0x2B)), hit(0x2C)), integer(3))),
    "every_leaf": (0b1111, op(0x20, integer(-7), leaf(1, "<B", 5), leaf(2, "<f", 0.5), leaf(3, "<d", 2.25),
                              hit(0x2D), ref(3))),
    "logic": (0b0011, op(0x27, op(0x26, hit(0x2A), op(0x28, hit(0x2B))), op(0x29, integer(1), integer(1)),
                         op(0x2C, integer(2)), op(0x2E, integer(1), leaf(3, "<d", 1.00005)))),
    "self_reference": (0b0000, op(0x20, ref(1), ref(2), ref(3))),
    "malformed_tail": (0b0001, op(0x22, integer(4)) + b"\x07\x07"),
}

for name, (mask, expression) in SEEDS.items():
    with open(os.path.join(HERE, "corpus", name), "wb") as out:
        out.write(bytes([mask]) + expression)

# Their damaged kin (cut, flipped, overwritten), by the tool the build makes:
#   cmake --build build --target damage_seeds
DAMAGE_SEEDS = os.environ.get("DAMAGE_SEEDS", os.path.join(HERE, "..", "..", "build", "fuzz", "damage_seeds"))
subprocess.run([DAMAGE_SEEDS, "1"] + [os.path.join(HERE, "corpus", name) for name in SEEDS], check=True)
