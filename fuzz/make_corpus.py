#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets from the sample generator.

usage: fuzz/make_corpus.py SAMPLEGEN [OUT_DIR]   (OUT_DIR default: fuzz/corpus)

Each seed is a few frames: windows cut at spread-out places of generated
logs, so that fixed, float, stand-alone and RTK-X spells, noise frames,
garbage, truncated frames and the NMEA midnight wrap all appear. The
output depends only on the generator, so running this again gives the
same files.
"""
import os
import shutil
import subprocess
import sys
import tempfile

WINDOWS_PER_LOG = 6
FRAMES_PER_WINDOW = 4

NAVCOM_LOGS = {
    "navcom": [],
    "navcom-dirty": ["--garbage-share", "0.6", "--partial-share", "0.5", "--bad-crc-share", "0.3"],
}
NMEA_LOGS = {
    "gga": ["--nmea-solution", "gga"],
    "llk-llq": ["--nmea-solution", "llk-llq"],
    "orp": ["--nmea-solution", "orp"],
    "orp-grid": ["--nmea-solution", "orp-grid"],
    "gga-dirty": ["--nmea-solution", "gga", "--garbage-share", "0.6", "--partial-share", "0.5"],
}

# Sentences of the decoder's own edge cases, beside the generated ones.
HAND_SENTENCES = [
    b"$GPGGA,123519.00,4807.038,N,01131.000,E,4,08,0.9,545.4,M,46.9,M,1.2,0026*47",
    b"$GPGGA,123519.00,4807.038,S,01131.000,W,4,08,0.9,545.4,M,46.9,M,,*47",
    b"$GPGGA,1234,4807.038,N,01131.000,E,0,08,0.9,1e308,M,1e308,M,,*47",
    b"$GPLLK,123519.00,,6654212.726,M,2500177.274,M,3,9,1.9,100.5,M*00",
    b"$GPLLQ,123519.00,,6654212.726,M,2500177.274,M,2,9,3.7,100.5,M*00",
    b"$PTNL,ORP,,,2,254,123519.00,,,0.01,0.02,0.03,1.5,9,7,6654212.726,2500177.274,100.5,*00",
    b"$PTNL,ORP,,,0,1,123519.00,,,1e200,1e200,1e200,1.5,9,7,60.0,24.0,100.5,*00",
]


def generate(samplegen, directory, name, args, size):
    path = os.path.join(directory, name + ".log")
    subprocess.run([samplegen, "--size", str(size), "--out", path] + args, check=True,
                   stdout=subprocess.DEVNULL)
    with open(path, "rb") as f:
        return f.read()


def starts(data, marker):
    found = []
    at = data.find(marker)
    while at >= 0:
        found.append(at)
        at = data.find(marker, at + 1)
    return found


def windows(data, marker):
    """Byte ranges of FRAMES_PER_WINDOW solution frames with what lies between."""
    positions = starts(data, marker)
    if len(positions) <= FRAMES_PER_WINDOW:
        return [data]
    step = max(1, (len(positions) - FRAMES_PER_WINDOW) // WINDOWS_PER_LOG)
    cut = []
    for i in range(0, len(positions) - FRAMES_PER_WINDOW, step)[:WINDOWS_PER_LOG]:
        cut.append(data[positions[i]:positions[i + FRAMES_PER_WINDOW]])
    return cut


def pvt1b_frames(data, count):
    """Complete [PVT1B] frames (label to last CRC digit), spread over the log."""
    frames = []
    for at in starts(data, b"[PVT1B]"):
        if at + 9 > len(data):
            continue
        length = data[at + 7] | (data[at + 8] << 8)
        end = at + 7 + length + 5
        if end + 1 <= len(data) and data[end - 5:end - 4] == b"*" and data[end:end + 1] == b"\r":
            frames.append(data[at:end])
    step = max(1, len(frames) // count)
    return frames[::step][:count]


def analysis_selector(n):
    """First byte of the n-th analysis seed: the KKJ flag and truth mode in
    turn."""
    return n % 8


def threads_selector(n, navcom):
    """First byte of the n-th threaded-pipeline seed: the parsing mode of
    the log, then the KKJ flag, truth mode, decoding rule and batch size in
    turn."""
    return (1 if navcom else 0) | ((n % 32) << 1) | (((n // 3) % 4) << 6)


def write(directory, name, content):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(content)


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    samplegen = sys.argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[2] if len(sys.argv) == 3 else os.path.join(here, "corpus")
    targets = ["nmea_framer_fuzz", "navcom_framer_fuzz", "pvt1b_fuzz", "nmea_decoder_fuzz",
               "analysis_fuzz", "pipeline_threads_fuzz"]
    for target in targets:
        shutil.rmtree(os.path.join(out, target), ignore_errors=True)

    with tempfile.TemporaryDirectory() as work:
        selector = 0
        for name, args in NAVCOM_LOGS.items():
            data = generate(samplegen, work, name, args, 400000)
            for i, window in enumerate(windows(data, b"[PVT1B]")):
                write(os.path.join(out, "navcom_framer_fuzz"), "%s-%d" % (name, i), window)
                write(os.path.join(out, "pvt1b_fuzz"), "%s-%d" % (name, i), window)
                write(os.path.join(out, "analysis_fuzz"), "%s-%d" % (name, i),
                      bytes([analysis_selector(selector)]) + window)
                write(os.path.join(out, "pipeline_threads_fuzz"), "%s-%d" % (name, i),
                      bytes([threads_selector(selector, True)]) + window)
                selector += 1
            for i, frame in enumerate(pvt1b_frames(data, 4)):
                # The part behind the label, for the decoder's arbitrary-content path.
                write(os.path.join(out, "pvt1b_fuzz"), "%s-body-%d" % (name, i), frame[7:])
        for name, args in NMEA_LOGS.items():
            data = generate(samplegen, work, name, ["--format", "nmea"] + args, 200000)
            for i, window in enumerate(windows(data, b"$G")):
                write(os.path.join(out, "nmea_framer_fuzz"), "%s-%d" % (name, i), window)
                write(os.path.join(out, "analysis_fuzz"), "%s-%d" % (name, i),
                      bytes([analysis_selector(selector)]) + window)
                write(os.path.join(out, "pipeline_threads_fuzz"), "%s-%d" % (name, i),
                      bytes([threads_selector(selector, False)]) + window)
                selector += 1
            seen = {}
            for line in data.split(b"\r\n"):
                start = line.find(b"$")
                sentence = line[start:] if start >= 0 else b""
                if len(sentence) < 9 or sentence[-3:-2] != b"*":
                    continue
                kind = sentence[3:6]
                if seen.get(kind, 0) < 2:
                    write(os.path.join(out, "nmea_decoder_fuzz"),
                          "%s-%s-%d" % (name, kind.decode("ascii", "replace"), seen.get(kind, 0)),
                          sentence)
                    seen[kind] = seen.get(kind, 0) + 1
        for i, sentence in enumerate(HAND_SENTENCES):
            write(os.path.join(out, "nmea_decoder_fuzz"), "hand-%d" % i, sentence)
            write(os.path.join(out, "nmea_framer_fuzz"), "hand-%d" % i, sentence + b"\r\n")
            write(os.path.join(out, "analysis_fuzz"), "hand-%d" % i,
                  bytes([(5 * i) % 8]) + sentence + b"\r\n")


if __name__ == "__main__":
    main()
