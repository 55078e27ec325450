#!/usr/bin/env python3
"""Writes the seeds of the SBF and NovAtel fuzz targets from hand-made blocks.

usage: fuzz/make_sbf_novatel_corpus.py [FUZZ_DIR]   (default: fuzz)

SBF seeds: PVTGeodetic and PVTCartesian in several modes, with
PosCovGeodetic and DOP, a block cut short before a good one, a bad CRC,
do-not-use values. NovAtel seeds: BESTPOS, BESTXYZ and INSPVAX in binary
(long and short headers) and ASCII, replies ("<OK", "[COM1]") between
them, a bad CRC, a keystroke inside a sync. The output depends only on
this script.
"""
import math
import os
import struct
import sys


def crc16(data):
    crc = 0
    for byte in data:
        crc ^= byte << 8
        for _ in range(8):
            crc = ((crc << 1) ^ 0x1021) & 0xFFFF if crc & 0x8000 else (crc << 1) & 0xFFFF
    return crc


def crc32(data):
    crc = 0
    for byte in data:
        crc ^= byte
        for _ in range(8):
            crc = (crc >> 1) ^ 0xEDB88320 if crc & 1 else crc >> 1
    return crc


def sbf(number, tow_ms, week, body, revision=0):
    length = 8 + 6 + len(body)
    pad = (-length) % 4
    rest = struct.pack("<HHIH", number | (revision << 13), length + pad, tow_ms, week) + body + bytes(pad)
    return b"$@" + struct.pack("<H", crc16(rest)) + rest


def pvt_geodetic(tow, mode, error=0, lat=50.849, lon=4.732, h=110.25, nrsv=23):
    body = bytearray(82)
    body[0] = mode
    body[1] = error
    struct.pack_into("<ddd", body, 2, math.radians(lat) if lat != -2e10 else lat, math.radians(lon), h)
    body[60] = nrsv
    struct.pack_into("<HH", body, 76, 180, 240)
    return sbf(4007, tow, 2360, bytes(body), revision=2)


def pvt_cartesian(tow, mode=1):
    body = bytearray(82)
    body[0] = mode
    struct.pack_into("<ddd", body, 2, 3803640.7, -148798.1, 5100638.1)
    body[60] = 12
    return sbf(4006, tow, 2367, bytes(body))


def pos_cov(tow, var=0.01):
    return sbf(5906, tow, 2360, bytes(2) + struct.pack("<ffff", var, var, 4 * var, 1.0) + bytes(24))


def dop(tow, pdop=150):
    return sbf(4001, tow, 2360, bytes(2) + struct.pack("<HHHH", pdop, 100, 90, 120) + bytes(8))


def sbf_seeds():
    t = 212541000
    good = pvt_geodetic(t, 4) + pos_cov(t) + dop(t)
    cut = pvt_geodetic(t + 1000, 5)[:30]
    return {
        "rtk-epochs": good + pvt_geodetic(t + 1000, 5) + pos_cov(t + 1000) + dop(t + 1000),
        "modes": b"".join(pvt_geodetic(t + 1000 * m, m) for m in (0, 1, 2, 3, 6, 7, 8, 10, 0x44)),
        "cartesian": pvt_cartesian(218303000) + sbf(5905, 218303000, 2367, bytes(2) + struct.pack("<ffff", 1, 2, 3, 4)),
        "cut-then-good": cut + good,
        "bad-crc": good[:20] + bytes([good[20] ^ 1]) + good[21:] + good,
        "do-not-use": pvt_geodetic(t, 0, error=1, lat=-2e10, nrsv=255) + dop(t, 0),
        "noise": sbf(4027, t, 2360, bytes(range(200))) + b"$@junk" + good,
    }


def novatel_binary(msg_id, week, ms, body):
    header = bytearray(28)
    header[0:3] = b"\xaa\x44\x12"
    header[3] = 28
    struct.pack_into("<H", header, 4, msg_id)
    struct.pack_into("<H", header, 8, len(body))
    header[13] = 180
    struct.pack_into("<HI", header, 14, week, ms)
    frame = bytes(header) + body
    return frame + struct.pack("<I", crc32(frame))


def novatel_short(msg_id, week, ms, body):
    frame = b"\xaa\x44\x13" + bytes([len(body)]) + struct.pack("<HHI", msg_id, week, ms) + body
    return frame + struct.pack("<I", crc32(frame))


def bestpos_body(status=0, pos_type=16, lat=32.59543, lon=-85.29571, h=190.5):
    return struct.pack("<IIdddfIfff4sffBBBBBBBB", status, pos_type, lat, lon, h, -29.5, 61,
                       1.2, 1.1, 2.5, b"0\0\0\0", 0.0, 0.0, 20, 14, 14, 14, 0, 6, 0, 3)


def bestxyz_body():
    return struct.pack("<IIdddfffIIdddfff4sfffBBBBBBBB", 0, 16, 3803640.7, -148798.1, 5100638.1,
                       1.0, 2.0, 2.0, 0, 16, 0.0, 0.0, 0.0, 0.1, 0.1, 0.1, b"0\0\0\0", 0.0, 0.0,
                       0.0, 10, 9, 9, 9, 0, 0, 0, 0)


def inspvax_body(status=3, pos_type=74):
    return struct.pack("<IIdddfddddddfffffffffIH", status, pos_type, 43.4041, -80.4702, 300.0,
                       -36.0, 0.1, 0.2, 0.0, 1.0, 2.0, 90.0, 0.05, 0.05, 0.1, 0, 0, 0, 0, 0, 0, 0, 0)


def ascii_log(content):
    return content + b"*" + b"%08x" % crc32(content[1:]) + b"\r\n"


def novatel_seeds():
    week, ms = 1687, 419234000
    bestpos = novatel_binary(42, week, ms, bestpos_body())
    text = ascii_log(b"#BESTPOSA,COM1,0,58.5,FINESTEERING,1687,419234.000,00000000,4ca6,2724;"
                     b"SOL_COMPUTED,NARROW_INT,32.59543000000,-85.29571000000,190.5000,-29.5000,"
                     b"WGS84,0.0120,0.0160,0.0210,\"0\",1.000,0.000,20,14,14,14,0,06,0,03")
    xyz_text = ascii_log(b"#BESTXYZA,COM1,0,55.0,FINESTEERING,1761,317643.000,00000000,d821,2724;"
                         b"SOL_COMPUTED,SINGLE,3803640.7000,-148798.1000,5100638.1000,1.0,2.0,2.0,"
                         b"SOL_COMPUTED,DOPPLER_VELOCITY,0.0,0.0,0.0,0.1,0.1,0.1,\"\",0.0,0.0,0.0,10,9,9,9,0,0,0,0")
    ins_text = ascii_log(b"#INSPVAXA,ICOM1,0,0.0,FINESTEERING,1820,160205.950,00000000,0000,0;"
                         b"INS_SOLUTION_GOOD,INS_PPP,43.40410000000,-80.47020000000,300.0,-36.0,"
                         b"0.1,0.2,0.0,1.0,2.0,90.0,0.05,0.05,0.1,0,0,0,0,0,0,00000000,0")
    broken = bytearray(bestpos)
    broken[40] ^= 1
    return {
        "binary-epochs": bestpos + novatel_binary(241, week, ms, bestxyz_body())
        + novatel_binary(1465, week, ms + 50, inspvax_body()) + bestpos,
        "ascii": text + xyz_text + ins_text,
        "replies": b"[COM1]" + bestpos + b"<OK\r\n[COM1]" + text,
        "short-header": novatel_short(508, week, ms, bytes(range(40))) + bestpos,
        "bad-crc": bytes(broken) + text[:30] + b"x" + text[31:] + bestpos,
        "keystroke-in-sync": b"\xaa\x44t" + bestpos[2:] + bestpos,
        "week-zero": novatel_binary(42, 0, 0, bestpos_body(status=1, pos_type=0)) + bestpos[:60],
    }


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data)


def main():
    fuzz_dir = sys.argv[1] if len(sys.argv) > 1 else "fuzz"
    write(os.path.join(fuzz_dir, "corpus", "sbf_fuzz"), sbf_seeds())
    write(os.path.join(fuzz_dir, "corpus", "novatel_fuzz"), novatel_seeds())


if __name__ == "__main__":
    main()
