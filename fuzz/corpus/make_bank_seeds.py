#!/usr/bin/env python3
"""Writes the seeds of morvane-fuzz-bank: bank files, and edits of the target's good bank."""
import pathlib
import struct

DUMP = 1605
here = pathlib.Path(__file__).resolve().parent
out = here / "bank"
out.mkdir(exist_ok=True)
init = (here.parent.parent / "data" / "init.syx").read_bytes()
assert len(init) == DUMP
# Preset n carries n at bytes 7-8 (low, high), as BuildBank numbers them.
good = b"".join(init[:7] + bytes([n, 0]) + init[9:] for n in range(16))


def patched(offset, data):
    return bytearray(good[:offset] + data + good[offset + len(data):])


def edit(*patches):
    """A non-0xF0 first byte, then (offset high, offset low, count, bytes) per patch."""
    return b"\x01" + b"".join(struct.pack(">HB", o, len(d)) + d for o, d in patches)


seeds = {
    "good.syx": good,
    "damaged-first.syx": patched(100, b"\x90"),
    "damaged-last.syx": patched(16 * DUMP - 1, b"\x00"),
    "one-short.syx": good[:-1],
    "one-long.syx": good + b"\xf7",
    "empty.syx": b"",
    "edit-none.bin": b"\x00",
    "edit-name.bin": edit((3 * DUMP + 45, b"Fuzzed name")),
    "edit-number.bin": edit((5 * DUMP + 7, b"\x7f\x7f")),
    "edit-status.bin": edit((7 * DUMP + 600, b"\x90")),
    "edit-frame.bin": edit((15 * DUMP + DUMP - 1, b"\x00"), (36, b"\xf7")),
}
for name, data in seeds.items():
    (out / name).write_bytes(bytes(data))
