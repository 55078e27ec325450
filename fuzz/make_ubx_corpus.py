#!/usr/bin/env python3
"""Writes the seeds of the UBX fuzz target from hand-made payloads.

usage: fuzz/make_ubx_corpus.py [OUT_DIR]   (default: fuzz/corpus/ubx_fuzz)

Each seed is a few frames: NAV-PVT with and without a fix, fixed and
float carrier solutions, NAV-HPPOSLLH with signed high-precision parts,
a frame cut short, a bad checksum, NMEA and RTCM bytes in between. The
output depends only on this script.
"""
import os
import struct
import sys


def frame(cls, msg_id, payload):
    body = bytes([cls, msg_id]) + struct.pack("<H", len(payload)) + payload
    a = b = 0
    for byte in body:
        a = (a + byte) & 0xFF
        b = (b + a) & 0xFF
    return b"\xb5\x62" + body + bytes([a, b])


def nav_pvt(itow, flags, lat, lon, height_mm, length=92):
    p = bytearray(length)
    struct.pack_into("<I", p, 0, itow)
    p[20] = 3
    p[21] = flags
    p[23] = 14
    struct.pack_into("<iiii", p, 24, lon, lat, height_mm, height_mm - 20000)
    struct.pack_into("<II", p, 40, 25, 40)
    struct.pack_into("<H", p, 76, 142)
    return frame(0x01, 0x07, bytes(p))


def nav_hpposllh(itow, lat, lon, height_mm, lat_hp, lon_hp, height_hp, flags=0):
    p = bytearray(36)
    p[3] = flags
    struct.pack_into("<Iiiii", p, 4, itow, lon, lat, height_mm, height_mm - 20000)
    struct.pack_into("<bbbb", p, 24, lon_hp, lat_hp, height_hp, 0)
    struct.pack_into("<II", p, 28, 141, 230)
    return frame(0x01, 0x14, bytes(p))


def bad_checksum(f):
    return f[:-1] + bytes([f[-1] ^ 1])


NMEA = b"$GNGGA,120000.00,6010.19040,N,02456.30736,E,4,12,0.8,25.3,M,19.6,M,1.0,0000*4F\r\n"
RTCM = b"\xd3\x00\x04\x3e\xd0\x00\x03\x8a\x0e\xdc"
ACK = frame(0x05, 0x01, b"\x06\x8a")

SEEDS = {
    "pvt-fixed-hp": nav_hpposllh(345600000, 601698400, 249384560, 45678, -7, 99, -3)
    + nav_pvt(345600000, 0x83, 601698400, 249384560, 45678),
    "pvt-float-south-west": nav_pvt(345601000, 0x43, -339876543, -1512345678, -12345),
    "pvt-no-fix": nav_pvt(345602000, 0x00, 601698400, 249384560, 45678)
    + nav_pvt(345603000, 0x01, 601698400, 249384560, 45678, length=84),
    "hp-invalid-llh": nav_hpposllh(345604000, 601698400, 249384560, 45678, 1, 2, 3, flags=1),
    "cut-short-then-good": b"\xb5\x62\x02\x15\xb0\x04\x01\x02"
    + nav_pvt(345605000, 0x81, 601698400, 249384560, 45678)
    + ACK * 4 + bytes(1200),
    "noise-between": NMEA + ACK + RTCM + bad_checksum(ACK) + b"\xb5\xb5\x62" + ACK[2:] + NMEA,
}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "corpus", "ubx_fuzz")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
