#!/usr/bin/env python3
"""Writes the seed corpora of the preset, input and sim fuzz targets.

    fuzz/corpus/make_preset_input_sim_seeds.py BIN_DIR

BIN_DIR holds the morvane tool (build/bin). The seeds are committed; run this again
only when a target's input format or the module's messages change.
"""
import pathlib
import shutil
import struct
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[2]
CORPUS = ROOT / "fuzz" / "corpus"
INIT = (ROOT / "data" / "init.syx").read_bytes()
DUMP_SIZE = 1605
PACKET_STARTS = [0, 36] + [36 + 255 * k for k in range(1, 7)]
TIMING_CLOCK, ACTIVE_SENSING = 0xF8, 0xFE


def tool(bin_dir, *args):
    return subprocess.run([str(bin_dir / "morvane"), *args], check=True,
                          capture_output=True, text=True).stdout


def messages(text):
    """The tool's messages, one line of hex each, as bytes."""
    return [bytes.fromhex(line) for line in text.splitlines() if line.strip()]


def dump_messages(dump):
    """The dump's header message and its seven packets."""
    ends = PACKET_STARTS[1:] + [len(dump)]
    return [dump[start:end] for start, end in zip(PACKET_STARTS, ends)]


def write(target, name, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(bytes(data))


def preset_seeds(bin_dir, work):
    write("preset", "init.syx", INIT)
    extremes = [("0B:02", "-8192", "1"), ("0B:02", "8191", "4"), ("07:13", "8191", "0")]
    source = work / "in.syx"
    source.write_bytes(INIT)
    for index, (param, value, layer) in enumerate(extremes):
        out = work / f"edge{index}.syx"
        tool(bin_dir, "set", str(source), param, value, "--layer", layer, "-o", str(out))
        write("preset", f"edge-value-{index}.syx", out.read_bytes())
    named = work / "named.syx"
    tool(bin_dir, "rename", str(source), "~~~~:~~~~~~~~~~~", "-o", str(named))
    write("preset", "odd-name.syx", named.read_bytes())
    write("preset", "empty.syx", b"")
    write("preset", "header-only.syx", INIT[:36])
    write("preset", "cut-before-checksum.syx", INIT[:1603])
    write("preset", "one-byte-short.syx", INIT[:-1])
    write("preset", "one-byte-long.syx", INIT + b"\xF7")
    write("preset", "two-dumps.syx", INIT + INIT)
    write("preset", "all-7f.syx", b"\x7F" * DUMP_SIZE)


# The input target's operations (fuzz_input.cpp): an op byte, then its operands.
SHORT, SYSEX, RETURN_ERROR, RETURN_EMPTY, STRAY, TAKE, PUMP, FLIP, RESTART, REFUSE, \
    OPEN_AGAIN, UNPLUG, DESTROY = range(13)


def op_short(message, stamp=0):
    return bytes([SHORT]) + struct.pack(">II", message, stamp)


def op_sysex(data, stamp=0):
    """SysEx bytes in deliveries of an even count of at most 510 bytes, as the op reads them."""
    out = bytearray()
    data = bytes(data) + (b"\xF7" if len(data) % 2 else b"")
    for start in range(0, len(data), 510):
        piece = data[start:start + 510]
        out += bytes([SYSEX, len(piece) // 2]) + piece + struct.pack(">I", stamp)
    return bytes(out)


def drain():
    return bytes([PUMP] + [TAKE] * 4 + [PUMP])


def input_seeds():
    # Capacity, SysEx buffer size and buffer count come first.
    roomy = bytes([32, 63, 7])
    dump_in_messages = bytearray(roomy)
    for message in dump_messages(INIT):
        dump_in_messages += op_sysex(message) + drain()
    write("input", "dump-in-8-messages.bin", dump_in_messages)

    note_on, running = 0x90, [(0x3C, 0x40), (0x3E, 0x40), (0x3C, 0x00)]
    shorts = bytearray(roomy)
    shorts += op_short(note_on | 0x3C << 8 | 0x40 << 16)
    for key, velocity in running:
        shorts += op_short(key | velocity << 8)
    shorts += op_short(TIMING_CLOCK) + op_short(ACTIVE_SENSING) + drain()
    write("input", "running-status.bin", shorts)

    header = dump_messages(INIT)[0]
    realtime = bytearray(roomy)
    realtime += op_sysex(header[:10] + bytes([TIMING_CLOCK]) + header[10:20])
    realtime += op_short(ACTIVE_SENSING)
    realtime += op_sysex(header[20:30] + bytes([ACTIVE_SENSING]) + header[30:]) + drain()
    write("input", "realtime-inside-sysex.bin", realtime)

    cut = bytearray(roomy)
    cut += op_sysex(header[:20]) + bytes([RESTART]) + op_sysex(header) + drain()
    cut += op_sysex(header[:21]) + bytes([FLIP]) + op_sysex(b"\x18\x0F\x00\x55\xF7") + drain()
    write("input", "cut-off-message.bin", cut)

    small = bytes([1, 4, 2]) + op_sysex(header) + drain() + bytes([RETURN_ERROR, 4]) + b"\xF0\x01\x02\x03"
    small += bytes([RETURN_EMPTY]) + bytes([STRAY]) + struct.pack(">II", 0x3C3, 0) + drain()
    write("input", "small-ring-and-buffers.bin", small)

    refusals = bytearray(roomy)
    for call in range(7):
        refusals += bytes([REFUSE, call, 0, RESTART]) + drain()
    refusals += bytes([OPEN_AGAIN, UNPLUG]) + op_sysex(header) + bytes([RESTART])
    refusals += bytes([DESTROY]) + op_sysex(header) + drain()
    write("input", "refusals-and-unplug.bin", refusals)


def chunked(stream, sizes):
    """The sim target's input: each chunk is a length byte (size - 1) and its bytes."""
    out, start, turn = bytearray(), 0, 0
    while start < len(stream):
        size = min(sizes[turn % len(sizes)], len(stream) - start)
        out += bytes([size - 1]) + stream[start:start + size]
        start, turn = start + size, turn + 1
    return bytes(out)


def sim_seeds(bin_dir):
    request = b"".join(messages(tool(bin_dir, "msg", "request")))
    request_preset = b"".join(messages(tool(bin_dir, "msg", "request", "--no-bf", "--channel", "4")))
    edits = b"".join(messages(tool(bin_dir, "msg", "edit", "0B:02", "-10", "--layer", "2")))
    rename = b"".join(messages(tool(bin_dir, "msg", "rename", "Seed:Fuzz")))
    copy = b"".join(messages(tool(bin_dir, "msg", "copy", "1", "3")))
    mute = b"".join(messages(tool(bin_dir, "msg", "mute", "2")))
    unmute = b"".join(messages(tool(bin_dir, "msg", "unmute", "2")))
    write("sim", "request.bin", chunked(request + request_preset, [64]))
    write("sim", "dump-then-request.bin", chunked(INIT + request, [64, 1, 7, 33]))
    write("sim", "edits.bin", chunked(edits + copy + mute + unmute, [5, 64, 2]))
    write("sim", "rename.bin", chunked(rename, [12]))
    running = bytes([0x90, 0x3C, 0x40, 0x3E, 0x40, 0x3C, 0x00, 0xB0, 0x07, 0x64, 0x0A, 0x40])
    write("sim", "running-status.bin", chunked(running + request, [3, 64]))
    with_realtime = bytearray(INIT)
    for position in (5, 300, 1000):
        with_realtime[position:position] = bytes([TIMING_CLOCK, ACTIVE_SENSING])
    write("sim", "realtime-inside-dump.bin", chunked(bytes(with_realtime) + request, [64]))
    cut = INIT[:700] + INIT + edits[:7] + request
    write("sim", "cut-off-messages.bin", chunked(cut, [64, 17]))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    bin_dir = pathlib.Path(sys.argv[1]).resolve()
    work = CORPUS / ".work"
    work.mkdir(parents=True, exist_ok=True)
    try:
        for target in ("preset", "input", "sim"):
            shutil.rmtree(CORPUS / target, ignore_errors=True)
        preset_seeds(bin_dir, work)
        input_seeds()
        sim_seeds(bin_dir)
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
