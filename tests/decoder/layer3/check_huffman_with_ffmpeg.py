#!/usr/bin/env python3
"""Black-box check of the Layer III Huffman code tables against ffmpeg's decoder.

For every codeword of every code table held by decoder/layer3/make_huffman_trees.py
(big-value tables 1..13, 15, 16, 24 and count1 tables A and B) this builds one
MPEG-1 Layer III mono frame whose first granule codes just that codeword (big_values
1, or big_values 0 and one count1 quadruple; all sign bits 0, linbits 0), followed
by silent frames. ffmpeg decodes the whole stream; the decoder is linear in the
spectral lines, so each probe's output is fitted by least squares onto the responses
of lines 0..3 (measured from table 1 probes) and the fitted coefficients must be
x^(4/3), y^(4/3) (big values) or v, w, x, y (count1). A codeword whose value the
generator has wrong, or whose length differs from the standard's, fails.

Usage: check_huffman_with_ffmpeg.py   (needs ffmpeg on PATH; writes only to a
temporary folder; exits 0 when every probe matches). Standard library only.
"""

import array
import importlib.util
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GENERATOR = os.path.join(HERE, "..", "..", "..", "decoder", "layer3", "make_huffman_trees.py")

generator_info = importlib.util.spec_from_file_location("make_huffman_trees", GENERATOR)
gen = importlib.util.module_from_spec(generator_info)
generator_info.loader.exec_module(gen)

FRAME_BYTES = 288  # MPEG-1, 64 kbit/s, 32 kHz, no padding
GLOBAL_GAIN = 182  # line value 1 -> 2^-7: no clipping even for 15^(4/3)
FRAMES_PER_PROBE = 4
SAMPLES_PER_FRAME = 1152


def codes_of(text, fields):
    table = {}
    for line in text.strip().splitlines():
        parts = line.split()
        table[tuple(int(p) for p in parts[:fields])] = parts[fields + 1]
    return table


BIG = {t: codes_of(text, 2) for t, text in gen.BIG_VALUE_CODES.items()}
COUNT1 = [codes_of(gen.COUNT1_CODES[n], 4) for n in ("A", "B")]


class BitWriter:
    def __init__(self):
        self.bits = []

    def put(self, value, count):
        self.bits += [(value >> i) & 1 for i in range(count - 1, -1, -1)]

    def to_bytes(self, count):
        assert len(self.bits) <= count * 8
        bits = self.bits + [0] * (count * 8 - len(self.bits))
        return bytes(int("".join(map(str, bits[i:i + 8])), 2) for i in range(0, len(bits), 8))


def frame(probe):
    """One mono frame; probe is None (silence) or (bit string, big_values, table, count1 select)."""
    w = BitWriter()
    # header: sync, MPEG-1, Layer III, no CRC, 64 kbit/s, 32 kHz, no padding, single channel
    for value, count in ((0xFFF, 12), (1, 1), (1, 2), (1, 1), (5, 4), (2, 2), (0, 1), (0, 1),
                         (3, 2), (0, 2), (0, 1), (0, 1), (0, 2)):
        w.put(value, count)
    w.put(0, 9)  # main_data_begin
    w.put(0, 5)  # private_bits
    w.put(0, 4)  # scfsi
    for granule in range(2):
        bits, big_values, table, count1 = probe if (probe and granule == 0) else ("", 0, 0, 0)
        w.put(len(bits), 12)  # part2_3_length (no scalefactor bits: scalefac_compress 0)
        w.put(big_values, 9)
        w.put(GLOBAL_GAIN, 8)
        w.put(0, 4)  # scalefac_compress
        w.put(0, 1)  # window_switching_flag
        w.put(table, 5)
        w.put(0, 5)
        w.put(0, 5)
        w.put(0, 4)  # region0_count: region 0 holds the first two pairs
        w.put(0, 3)  # region1_count
        w.put(0, 1)  # preflag
        w.put(0, 1)  # scalefac_scale
        w.put(count1, 1)
    if probe:
        w.bits += [int(c) for c in probe[0]]
    return w.to_bytes(FRAME_BYTES)


def pair_bits(table, x, y):
    bits = BIG[table][(x, y)]
    linbits = gen.LINBITS[table]
    for v in (x, y):
        if v == 15:
            bits += "0" * linbits
        if v:
            bits += "0"  # sign: positive
    return bits


def solve(matrix, rhs):
    n = len(rhs)
    m = [row[:] + [rhs[i]] for i, row in enumerate(matrix)]
    for c in range(n):
        p = max(range(c, n), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        for r in range(n):
            if r != c:
                f = m[r][c] / m[c][c]
                for k in range(c, n + 1):
                    m[r][k] -= f * m[c][k]
    return [m[i][n] / m[i][i] for i in range(n)]


def main():
    probes = [  # (probe, expected coefficients of lines 0..3, label); None: a basis probe
        ((pair_bits(1, 1, 0), 1, 1, 0), None, "line 0"),
        ((pair_bits(1, 0, 1), 1, 1, 0), None, "line 1"),
        ((pair_bits(1, 0, 0) + pair_bits(1, 1, 0), 2, 1, 0), None, "line 2"),
        ((pair_bits(1, 0, 0) + pair_bits(1, 0, 1), 2, 1, 0), None, "line 3"),
    ]
    for table in sorted(BIG):
        for (x, y) in sorted(BIG[table]):
            probes.append(((pair_bits(table, x, y), 1, table, 0),
                           (x ** (4 / 3), y ** (4 / 3), 0.0, 0.0), "table %d (%d,%d)" % (table, x, y)))
    for select, codes in enumerate(COUNT1):
        for vwxy in sorted(codes):
            probes.append(((codes[vwxy] + "0" * sum(vwxy), 0, 0, select),
                           tuple(float(v) for v in vwxy), "count1 %s %s" % ("AB"[select], vwxy)))

    stream = b"".join(frame(p) + frame(None) * (FRAMES_PER_PROBE - 1) for p, _, _ in probes)
    stream += frame(None) * FRAMES_PER_PROBE
    with tempfile.TemporaryDirectory() as folder:
        mp3 = os.path.join(folder, "probes.mp3")
        raw = os.path.join(folder, "probes.raw")
        with open(mp3, "wb") as f:
            f.write(stream)
        subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "mp3", "-i", mp3,
                        "-f", "s16le", "-acodec", "pcm_s16le", raw], check=True)
        pcm = array.array("h")
        with open(raw, "rb") as f:
            pcm.frombytes(f.read())
    if sys.byteorder != "little":
        pcm.byteswap()

    # Leave room in front for a decoder that drops its first samples.
    window = SAMPLES_PER_FRAME * FRAMES_PER_PROBE
    pcm = array.array("h", [0] * SAMPLES_PER_FRAME) + pcm

    def response(index):
        return [float(v) for v in pcm[index * window:(index + 1) * window]]

    basis = [response(i) for i in range(4)]
    support = [i for i in range(window) if any(b[i] for b in basis)]
    if not support:
        print("no output from the basis probes")
        return 1
    lo, hi = min(support), max(support) + 1
    basis = [b[lo:hi] for b in basis]
    gram = [[sum(a * b for a, b in zip(basis[i], basis[j])) for j in range(4)] for i in range(4)]
    bad = 0
    worst = 0.0
    for index, (_, expected, label) in enumerate(probes):
        if expected is None:
            continue
        measured = response(index)[lo:hi]
        coef = solve(gram, [sum(a * m for a, m in zip(basis[i], measured)) for i in range(4)])
        error = max(abs(c - e) for c, e in zip(coef, expected))
        worst = max(worst, error)
        if error > 0.05:
            bad += 1
            print("MISMATCH %s: decoded as %s, expected %s" % (
                label, [round(c, 3) for c in coef], [round(e, 3) for e in expected]))
    checked = sum(1 for _, e, _ in probes if e is not None)
    print("%d codewords checked, %d mismatches, largest coefficient error %.4f" % (checked, bad, worst))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
