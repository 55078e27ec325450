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
    b'$GNGST,003956.00,235111,,,,2.3,3.5,4.0*46',
    b'$GPGST,212406.000,,,,,,,*4A',
    b'$GPGST,120000,400000,0.5,0.4,45,004.0,003.0,1e200*00',
    b'$GNGNS,112257.00,3844.24011,N,00908.43828,W,RF,14,0.6,120.5,48.2,1.4,0031,V*00',
    b'$GPGNS,112257.00,3844.24011,N,00908.43828,W,AN,03,10.5,,,,*57',
    b'$GNRMC,235960.00,V,4552.65403,S,17030.00668,E,0.025,,311216,,,A,V*07',
    b'$GPRMC,000428.00,,E,,,290219,,,N*40',
    b'$GNZDA,003956.00,12,04,2019,00,00*7C',
    b'$GNGSA,A,3,13,16,21,15,10,29,27,20,,,,,1.05,0.64,0.83,1*03',
    b'$GNGSA,A,3,73,82,33,01,,,,,,,,,1.8,0.9,1.5*26',
]

# Epochs told in several sentences, for the analyses: GST before and after
# its GGA, GSA per system, dates across midnight and a leap second, a step
# back on the same date, a garbage date after a restart. Bodies only: the
# checksums are computed, so the sentences survive the check.
HAND_EPOCHS = [
    ["GNRMC,235959.00,A,,,,,,,311216,,",
     "GNGGA,235959.00,6010.0,N,02450.0,E,4,12,0.8,20.0,M,17.0,M,1.0,0001",
     "GNGSA,A,3,01,02,03,,,,,,,,,,1.0,0.6,0.8,1",
     "GNGSA,A,3,65,66,,,,,,,,,,,1.0,0.6,0.8,2",
     "GNGST,235959.00,1.2,,,,0.03,0.04,0.12",
     "GNGST,235960.00,1.2,,,,0.03,0.04,0.12",
     "GNGGA,235960.00,6010.0,N,02450.0,E,4,12,0.8,20.0,M,17.0,M,1.0,0001",
     "GNGGA,000000.50,6010.0,N,02450.0,E,5,12,0.8,20.0,M,17.0,M,1.0,0001",
     "GNZDA,000001.00,01,01,2017,00,00",
     "GNGGA,000001.00,6010.0,N,02450.0,E,4,12,0.8,20.0,M,17.0,M,1.0,0001"],
    ["GPRMC,001000.00,A,,,,,,,050520,,",
     "GPGNS,001000.00,6010.0,N,02450.0,E,RR,12,0.8,20.0,17.0,1.0,0001,V",
     "GPRMC,000500.00,V,,,,,,,050520,,",
     "GPGNS,000500.00,6010.0,N,02450.0,E,FN,12,0.8,20.0,17.0,1.0,0001,V",
     "GPGSA,A,3,01,02,33,65,,,,,,,,,1.0,0.6,0.8",
     "GPRMC,193515.00,V,,,,,,,300910,,",
     "GPGGA,235952.00,0000.0000,N,00000.0000,E,0,00,0.0,,M,,M,,"],
]


def sentences(bodies):
    """The bodies as sentences with their checksums, one per line."""
    text = b""
    for body in bodies:
        sum = 0
        for c in body.encode("ascii"):
            sum ^= c
        text += b"$" + body.encode("ascii") + b"*%02X\r\n" % sum
    return text


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
        for i, bodies in enumerate(HAND_EPOCHS):
            write(os.path.join(out, "analysis_fuzz"), "epochs-%d" % i,
                  bytes([(3 * i) % 8]) + sentences(bodies))
            write(os.path.join(out, "pipeline_threads_fuzz"), "epochs-%d" % i,
                  bytes([threads_selector(5 * i, False)]) + sentences(bodies))


if __name__ == "__main__":
    main()
