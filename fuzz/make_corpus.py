#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/) from the
reference frames of the tests (files seed-*; files named finding-* are inputs
kept from findings and stay). Each seed is laid out the way its target splits
its input: strings from the front (FuzzedDataProvider: a backslash followed by
another character ends a string, two backslashes are one), numbers and choices
from the back, the last byte first."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))


def crc16(data):
    c = 0xFFFF
    for b in data:
        c ^= b
        for _ in range(8):
            c = (c >> 1) ^ 0xA001 if c & 1 else c >> 1
    return c


def rtu(data):
    data = bytes(data)
    c = crc16(data)
    return data + bytes([c & 0xFF, c >> 8])


def ascii_frame(data):
    data = bytes(data)
    lrc = (-sum(data)) & 0xFF
    return b":" + (data + bytes([lrc])).hex().upper().encode() + b"\r\n"


def string(s):
    """One front string, terminated."""
    if isinstance(s, str):
        s = s.encode()
    return s.replace(b"\\", b"\\\\") + b"\\ "


def integral(value, lo, hi):
    """The bytes ConsumeIntegralInRange(lo, hi) reads as `value`, in data order."""
    span = hi - lo
    v = value - lo
    out = []
    shift = 0
    while shift < 64 and (span >> shift) > 0:
        out.append(v & 0xFF)  # least significant byte is consumed last
        v >>= 8
        shift += 8
    # Consumed from the end, most significant first: reverse into data order.
    return bytes(out)


class Seed:
    """Front strings and back numbers of one input."""

    def __init__(self):
        self.front = b""
        self.back = []  # in consumption order

    def s(self, text):
        self.front += string(text)
        return self

    def raw(self, data):
        self.front += bytes(data)
        return self

    def n(self, value, lo, hi):
        self.back.append(integral(value, lo, hi))
        return self

    def data(self):
        tail = b"".join(reversed(self.back))
        return self.front + tail


SPEED_QUERY = rtu([1, 0x36, 0])
HANDSHAKE = bytes([0x01, 0x20, 0x00, 0x39, 0xC0])
INITIAL_SPEED = bytes([0x01, 0x25, 0x04, 0x00, 0x00, 0x00, 0x64, 0xFC, 0xDE])
NEW_ADDRESS = bytes([0x01, 0x22, 0x01, 0x05, 0x60, 0x41])
OFFSET_65500 = bytes([0x01, 0x3F, 0x04, 0x00, 0x00, 0xFF, 0xDC, 0xBF, 0x66])
ASCII_SPEED = b":013600C9\r\n"
READ_SPEED_REG = bytes([0x01, 0x03, 0x00, 0x36, 0x00, 0x02, 0x24, 0x05])
WRITE_REG = bytes([0x01, 0x10, 0x00, 0x89, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x64, 0x3A, 0x4E])
# Replies of the controller.
SPEED_REPLY = rtu([1, 0x36, 4, 0, 0, 0x03, 0xE8])
STATUS_REPLY = rtu([1, 0x3B, 4, 1, 0, 1, 0])
ACK = rtu([1, 0x25, 0])
ERROR_REPLY = rtu([1, 0xA5, 1, 3])
ADDRESS_REPLY = rtu([0, 0x21, 1, 5])
REG_READ_REPLY = rtu([1, 0x03, 4, 0, 0, 0x03, 0xE8])
REG_WRITE_ACK = rtu([1, 0x10, 0, 0x89, 0, 2])
ASCII_REPLY = ascii_frame([1, 0x36, 4, 0, 0, 0x03, 0xE8])

OFFSETS = ["0", "100", "65500", "65501", "-1", "2.5", "&HFFFF", "6D33", "1e30", "1e999",
           "&H123456789ABCDEF01", "&O177777", " 1 00", "100abc"]


def codec():
    seeds = []
    for t, b in [("12abc", SPEED_QUERY), ("&H8000", ASCII_SPEED), ("6D33", HANDSHAKE),
                 ("1e999", b"01 2a 0"), ("&H123456789ABCDEF01", INITIAL_SPEED),
                 ("\t-\n5 .\t2 5", "B0A1".encode()), ("414243", "中文".encode("gbk")),
                 ("中文 AB", b":1f3c00a5\r\n"), ("&O37777777777", b"\x80\xff\x81")]:
        seeds.append(Seed().s(t).raw(b).data())
    return seeds


def runner():
    lists = [
        ("1000", ["01 0A ", "Delay:300", "02 0B "]),
        ("1000", ["01 0A ", "02 0B ", "GoIdx:1"]),
        ("500", ["Delay:200", "01 0A ", "GoIdx:0"]),
        ("0", ["01 03 1", "", "3A 30 31 32 30 30 30 44 46 0D 0A "]),
        ("70000", ["01 0A ", "Delay:6D33", "GoIdx:-1", "GoIdx:1e999"]),
    ]
    seeds = []
    for base, lines in lists:
        # index 0, 32 ticks; then the lines.
        seeds.append(Seed().s(base).n(0, -40000, 40000).n(32, 1, 64)
                     .raw("\n".join(lines).encode()).data())
    return seeds


def listfile():
    return [b"01 20 00 39 C0 \r\nDelay:300\r\n01 36 00 \r\nGoIdx:0\r\n",
            b"01 0A \n02 0B \r\n\r\nlast", b"\xd6\xd0\xce\xc4\r\x80\xff\r\n"]


def registerform():
    seeds = []
    frames = [SPEED_QUERY, HANDSHAKE, INITIAL_SPEED, NEW_ADDRESS, ASCII_SPEED,
              ascii_frame([1, 0x25, 4, 0, 0, 0, 0x64]), rtu([1, 0x25, 21] + list(range(1, 22)))]
    for i, offset in enumerate(OFFSETS):
        frame = frames[i % len(frames)]
        seed = Seed()
        seed.n(i % 2, 0, 1)          # read or write (ConsumeBool: low bit)
        seed.s(offset).s("1")        # offset, address
        seed.n(i * 7 % 64, 0, 255)   # catalogue row (modulo the row count)
        seed.s("100").raw(frame)     # field text, frame
        seeds.append(seed.data())
    return seeds


def sim_ops(ops):
    seed = Seed()
    for op, arg in ops:
        seed.n(op, 0, 7)
        if op == 0:
            seed.n(arg, 0, 2000)
        elif op == 1:
            seed.n(arg, 0, 255)
        else:
            seed.s(arg)
    return seed.data()


def sim():
    return [
        sim_ops([(3, HANDSHAKE), (3, SPEED_QUERY), (0, 100)]),
        sim_ops([(3, INITIAL_SPEED[:4]), (0, 10), (3, INITIAL_SPEED[4:]), (3, ASCII_SPEED)]),
        sim_ops([(3, OFFSET_65500), (3, READ_SPEED_REG), (3, WRITE_REG), (0, 60)]),
        sim_ops([(3, rtu([1, 0x31, 4, 0, 0, 0x27, 0x10])), (0, 500), (3, rtu([1, 0x37, 0])),
                 (0, 2000), (3, rtu([1, 0x3B, 0]))]),
        sim_ops([(3, rtu([1, 0x40, 4, 1, 0x3C, 0, 0])), (1, 1), (2, NEW_ADDRESS + SPEED_QUERY)]),
    ]


def pieces_ops(ops, head):
    """The assembler and receive targets: a header of choices, then operations:
    0 feed(piece) after a time step, 1 expire after a time step, 2 expectEcho."""
    seed = Seed()
    for value, lo, hi in head:
        seed.n(value, lo, hi)
    for op, arg, dt in ops:
        seed.n(op, 0, 7)
        if op in (0, 1):
            seed.n(dt, 0, 2_000_000)
        if op in (0, 2):
            seed.s(arg)
    return seed.data()


REPLY_STREAMS = [
    [(0, SPEED_REPLY, 0), (0, STATUS_REPLY[:3], 1000), (0, STATUS_REPLY[3:], 1000)],
    [(2, SPEED_QUERY, 0), (0, SPEED_QUERY + SPEED_REPLY, 500), (1, b"", 200_000)],
    [(0, b"\x00\xff" + ACK + ERROR_REPLY, 0), (0, ADDRESS_REPLY[:2], 10), (1, b"", 150_000)],
    [(0, REG_READ_REPLY + REG_WRITE_ACK, 0), (0, ASCII_REPLY[:5], 100),
     (0, ASCII_REPLY[5:], 100)],
    [(0, rtu([1, 0x42, 5, 1, 0, 1, 0, 1]), 0), (0, rtu([1, 0x41, 3, 5, 0x3C, 0]), 10)],
]


def assembler():
    return [pieces_ops(ops, [(0, 0, 1)]) for ops in REPLY_STREAMS] + [
        pieces_ops([(0, HANDSHAKE + INITIAL_SPEED, 0), (0, READ_SPEED_REG + WRITE_REG, 10),
                    (0, ASCII_SPEED, 10)], [(1, 0, 1)])]


def receive():
    return [pieces_ops(ops, []) for ops in REPLY_STREAMS]


TARGETS = {"fuzz_codec": codec, "fuzz_runner": runner, "fuzz_listfile": listfile,
           "fuzz_registerform": registerform, "fuzz_sim": sim, "fuzz_assembler": assembler,
           "fuzz_receive": receive}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")
    for name, make in TARGETS.items():
        d = os.path.join(out, name)
        os.makedirs(d, exist_ok=True)
        # Seeds are rewritten; inputs kept from findings (other names) stay.
        for old in os.listdir(d):
            if old.startswith("seed-"):
                os.remove(os.path.join(d, old))
        for i, data in enumerate(make()):
            with open(os.path.join(d, "seed-%02d" % i), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
