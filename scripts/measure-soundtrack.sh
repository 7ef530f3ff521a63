#!/usr/bin/env bash
# Measures how the soundtrack meets the picture, as a listener's proxy:
#   - loudness (EBU R 128 through FFmpeg's ebur128 filter): integrated, true
#     peak, and the short-term (3 s) loudness just before and just after each
#     cut, and averaged over the sections;
#   - a short-time spectrum: per beat of the tempo map, the power in 24 bands
#     from 30 Hz to 16 kHz; the change across each beat boundary is the RMS of
#     the per-band differences in dB, and every cut's change is ranked among
#     all of them (the piece's beats, 0 to 120 s, and the boundary at 120 s);
#   - the share of the energy below 100 Hz, and where the music ends.
# Usage: scripts/measure-soundtrack.sh [FILE.mp3]   (default build/data/code.mp3)
# Needs ffmpeg and python3 (standard library only). Takes about a minute.
set -euo pipefail
cd "$(dirname "$0")/.."
mp3=${1:-build/data/code.mp3}
[[ -f $mp3 ]] || { echo "measure-soundtrack: no $mp3 (generate it with build/quarnel-data)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ffmpeg -nostdin -nostats -hide_banner -i "$mp3" -af ebur128=peak=true:framelog=info -f null - 2>"$work/ebur128.log"
ffmpeg -nostdin -v error -i "$mp3" -ac 1 -f f32le - >"$work/mono.f32"

python3 - "$work/ebur128.log" "$work/mono.f32" tools/music_tempo.cpp <<'EOF'
import array, cmath, math, re, sys

log_path, pcm_path, tempo_path = sys.argv[1:4]
RATE = 44100
CUTS = [21.0, 60.1, 67.0, 90.0]
END = 120.0

# --- loudness -------------------------------------------------------------
short = []  # (t, S): S covers the 3 s ending at t
for line in open(log_path):
    m = re.search(r"\bt: *([0-9.]+) .*\bS: *(-?[0-9.]+|-inf)", line)
    if m:
        short.append((float(m.group(1)), float(m.group(2))))
summary = open(log_path).read().split("Summary:")[-1]
integrated = float(re.search(r"I: *(-?[0-9.]+) LUFS", summary).group(1))
true_peak = float(re.search(r"Peak: *(-?[0-9.]+|-inf) dBFS", summary).group(1))

def s_at(t):
    return min(short, key=lambda e: abs(e[0] - t))[1]

def s_mean(a, b):
    # Arithmetic mean of the short-term values whose whole window lies in [a, b].
    vals = [s for t, s in short if a + 3.0 - 1e-6 <= t <= b + 1e-6]
    return sum(vals) / len(vals)

# --- the beat grid, read from the tempo map -------------------------------
beats = []
for start, end, count in re.findall(r"\{ *([0-9.]+), *([0-9.]+), *([0-9]+) *\}", open(tempo_path).read()):
    start, end, count = float(start), float(end), int(count)
    if start >= END:
        beats.append(start)  # the first beat after the picture's end
        break
    beats += [start + (end - start) * i / count for i in range(count)]

# --- short-time spectrum --------------------------------------------------
pcm = array.array("f")
with open(pcm_path, "rb") as f:
    pcm.frombytes(f.read())
N = 4096
window = [0.5 - 0.5 * math.cos(2 * math.pi * i / N) for i in range(N)]
bits = N.bit_length() - 1
rev = [int(format(i, "0%db" % bits)[::-1], 2) for i in range(N)]
twiddles = [cmath.exp(-2j * math.pi * k / N) for k in range(N // 2)]

def fft(x):
    a = [x[r] for r in rev]
    size = 2
    while size <= N:
        half, step = size // 2, N // size
        tw = twiddles[::step]
        for start in range(0, N, size):
            for k in range(half):
                u = a[start + k]
                v = a[start + k + half] * tw[k]
                a[start + k] = u + v
                a[start + k + half] = u - v
        size *= 2
    return a

def power_spectra(first, second):
    # Two real frames in one complex transform.
    z = fft([complex(first[i] * window[i], second[i] * window[i]) for i in range(N)])
    p1, p2 = [], []
    for k in range(N // 2):
        zk, zn = z[k], z[-k % N].conjugate()
        a, b = (zk + zn) / 2, (zk - zn) / 2j
        p1.append(a.real * a.real + a.imag * a.imag)
        p2.append(b.real * b.real + b.imag * b.imag)
    return p1, p2

edges = [30.0 * (16000.0 / 30.0) ** (i / 24) for i in range(25)]
band_of = [-1] * (N // 2)
for k in range(N // 2):
    f = k * RATE / N
    for b in range(24):
        if edges[b] <= f < edges[b + 1]:
            band_of[k] = b
low_bins = [k for k in range(N // 2) if k * RATE / N < 100.0]

# Frames of N samples from each beat's start, as many as fit in the beat.
frames = []  # (beat index, start sample)
for i, t in enumerate(beats):
    end = beats[i + 1] if i + 1 < len(beats) else t + (beats[i] - beats[i - 1])
    s = round(t * RATE)
    while s + N <= round(end * RATE):
        frames.append((i, s))
        s += N
band_power = [[0.0] * 24 for _ in beats]
count = [0] * len(beats)
for j in range(0, len(frames), 2):
    pair = frames[j:j + 2]
    blocks = [pcm[s:s + N] for _, s in pair]
    if len(blocks) == 1:
        blocks.append(blocks[0])
    for (i, _), p in zip(pair, power_spectra(*blocks)):
        count[i] += 1
        for k, b in enumerate(band_of):
            if b >= 0:
                band_power[i][b] += p[k]
# Level per band in dB, floored 100 dB under a full-scale sine.
ref = (N / 4) ** 2
db = [[10 * math.log10(max(bp / max(c, 1) / ref, 1e-10)) for bp in row]
      for row, c in zip(band_power, count)]
change = {}
for i in range(1, len(beats)):
    change[i] = math.sqrt(sum((x - y) ** 2 for x, y in zip(db[i], db[i - 1])) / 24)
ranked = sorted(change, key=lambda i: -change[i])

def rank_at(t):
    i = min(change, key=lambda i: abs(beats[i] - t))
    r = ranked.index(i) + 1
    return r, 100.0 * r / len(ranked), change[i]

# Energy below 100 Hz, over the whole file in non-overlapping frames.
low = total = 0.0
for s in range(0, len(pcm) - 2 * N + 1, 2 * N):
    for p in power_spectra(pcm[s:s + N], pcm[s + N:s + 2 * N]):
        total += sum(p)
        low += sum(p[k] for k in low_bins)

# Where the music ends: last 50 ms block above -60 dBFS RMS.
block = RATE // 20
last_sound = 0.0
for s in range(0, len(pcm) - block + 1, block):
    e = sum(v * v for v in pcm[s:s + block]) / block
    if e > 1e-6:
        last_sound = (s + block) / RATE

def rms_db(a, b):
    seg = pcm[round(a * RATE):round(b * RATE)]
    return 10 * math.log10(sum(v * v for v in seg) / max(len(seg), 1) + 1e-20)

print("beat-to-beat spectral changes ranked: %d boundaries (top 2%% = rank <= %.1f)"
      % (len(ranked), 0.02 * len(ranked)))
print("%-7s %14s %10s %10s %10s %8s" % ("cut", "change rank", "change dB", "S before", "S after", "delta"))
for cut in CUTS + [END]:
    r, pct, c = rank_at(cut)
    before, after = s_at(cut), s_at(cut + 3.0)
    print("%-7.1f %6d (%4.1f%%) %10.1f %10.1f %10.1f %+8.1f" % (cut, r, pct, c, before, after, after - before))
print("top changes elsewhere: " + ", ".join("%.2f s (%.1f)" % (beats[i], change[i]) for i in ranked[:8]
                                             if all(abs(beats[i] - c) > 0.01 for c in CUTS + [END])))
for name, a, b in [("21-60", 21.0, 60.1), ("60-67", 60.1, 67.0), ("67-90", 67.0, 90.0), ("90-120", 90.0, 120.0)]:
    print("short-term mean %-7s %6.1f LUFS" % (name, s_mean(a, b)))
print("climax minus 67-90: %+.1f LU, minus 21-60: %+.1f LU"
      % (s_mean(90, 120) - s_mean(67, 90), s_mean(90, 120) - s_mean(21, 60.1)))
print("integrated %.1f LUFS, true peak %.1f dBTP, below 100 Hz %.1f%% of the energy"
      % (integrated, true_peak, 100 * low / total))
print("RMS 119.5-120.0 s %.1f dB, 120.0-120.5 s %.1f dB; last 50 ms above -60 dBFS ends at %.2f s; file %.2f s"
      % (rms_db(119.5, 120.0), rms_db(120.0, 120.5), last_sound, len(pcm) / RATE))
EOF
