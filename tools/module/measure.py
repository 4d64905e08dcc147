#!/usr/bin/python3
"""Measures the rendered soundtrack as a producer would, for the README's soundtrack figures.

    tools/module/measure.py BUILD_DIR [--pictures PREFIX]

Renders BUILD_DIR/Assets/ondaris.mod with the show's player settings (BUILD_DIR/tools/module/
ondaris_module --wav), and the same module with every sample silenced but one instrument's for the
drum, bass and lead figures, then prints every figure the README's table gives. With --pictures it
also writes PREFIX-spectrogram.png (sox) and PREFIX-loudness.png (momentary and short-term
loudness over the song, a line at each order). Needs ffmpeg, sox and Debian's python3-numpy.

Definitions:
- momentary (M) and short-term (S) loudness, integrated loudness, loudness range and true peak are
  ffmpeg's ebur128 (peak=true); M and S are read every 100 ms, each over the 400 ms or 3 s before.
- change at an order: the mean of the M readings stamped in the second after the order starts
  minus the mean of those in the second before; the hit is the loudest M reading in that second.
- an order's short-term loudness: the mean of the S readings stamped inside it (from 3 s on).
- the loudest 50 ms of a part: the highest RMS of a 50 ms window (10 ms steps, both channels) of
  the song with every sample silenced but the part's (the instruments whose names start with
  kick, snare, bass or lead), in dB under a full-scale square.
- side under mid: energy of (L+R)/2 over energy of (L-R)/2, over the song and below 150 Hz.
- bands: energy of the mono mix in 6-16 kHz against 2-6 kHz.
- lead aliasing: each lead sample's loop (whole cycles of every voice) by DFT: the energy of the
  bins under 3 kHz more than 20 Hz + 2% away from any harmonic (of the sub-octave too), under the energy
  of the harmonics; the worst lead, and beside it the same for a band-limited saw on the same loop
  rounded to 8 bits.
"""
import os
import re
import subprocess
import sys
import tempfile
import zlib

try:
    import numpy as np
except ImportError:
    sys.exit("measure.py needs numpy for /usr/bin/python3: apt-get install python3-numpy")

RATE = 44100
SCENE_ORDERS = [5, 8, 15, 17, 23, 25]
PARTS = ["kick", "snare", "bass", "lead"]  # instrument names in the song text


def run(command):
    return subprocess.run(command, check=True, capture_output=True, text=True)


# ---- the module: sample slots and their data ----------------------------------------------

def channel_count(tag):
    if tag in (b"M.K.", b"M!K!", b"M&K!", b"N.T."):
        return 4
    if tag[1:] == b"CHN":
        return tag[0] - ord("0")
    if tag[2:] == b"CH":
        return int(tag[:2])
    raise ValueError("not a module this script reads: tag %r" % tag)


def samples(module):
    """(name, start, length, loop start, loop length) of the 31 slots, in bytes."""
    orders = module[950]
    patterns = max(module[952:952 + orders]) + 1
    offset = 1084 + patterns * 64 * 4 * channel_count(bytes(module[1080:1084]))
    found = []
    for slot in range(31):
        header = 20 + slot * 30
        name = bytes(module[header:header + 22]).split(b"\0")[0].decode()
        length = 2 * (module[header + 22] << 8 | module[header + 23])
        loop_start = 2 * (module[header + 26] << 8 | module[header + 27])
        loop_length = 2 * (module[header + 28] << 8 | module[header + 29])
        found.append((name, offset, length, loop_start, loop_length if loop_length > 2 else 0))
        offset += length
    return found


def solo(module, names):
    """The module with every sample silenced but those of the named instruments."""
    out = bytearray(module)
    for name, start, length, _, _ in samples(module):
        if name not in names:
            out[start:start + length] = bytes(length)
    return out


# ---- rendering and reading --------------------------------------------------------------------

def render(tool, module_path, wav_path):
    run([tool, "--wav", wav_path, module_path])
    with open(wav_path, "rb") as wav:
        data = wav.read()
    return np.frombuffer(data[44:], dtype="<i2").reshape(-1, 2).astype(np.float64) / 32768.0


def ebur128(wav_path):
    text = run(["ffmpeg", "-nostats", "-hide_banner", "-i", wav_path, "-af", "ebur128=peak=true",
                "-f", "null", "-"]).stderr
    rows = re.findall(r"t:\s*([\d.]+)\s+TARGET.*?M:\s*(\S+)\s+S:\s*(\S+)", text)
    summary = text[text.rfind("Summary:"):]

    def value(label):
        return float(re.search(label + r":\s*(-?[\d.]+|-inf)", summary).group(1))

    times, momentary, short = (np.array([float(r[i]) for r in rows]) for i in range(3))
    return {"t": times, "M": momentary, "S": short, "I": value("I"), "LRA": value("LRA"),
            "TP": value("Peak")}


def loudest_50ms(stereo):
    window, hop = int(0.05 * RATE), int(0.01 * RATE)
    energy = np.cumsum(np.concatenate([[0.0], (stereo ** 2).sum(axis=1) / 2]))
    means = (energy[window::hop] - energy[:-window:hop][:len(energy[window::hop])]) / window
    return 10 * np.log10(max(means.max(), 1e-20))


def band_energy(signal, low, high):
    spectrum = np.abs(np.fft.rfft(signal)) ** 2
    hz = np.fft.rfftfreq(len(signal), 1.0 / RATE)
    return spectrum[(hz >= low) & (hz < high)].sum()


def lead_aliasing(module):
    """The worst between-harmonic energy under 3 kHz of the lead's loops, and a plain 8-bit saw's, in dB."""
    rate = 3546895.0 / 214  # C-3's playback rate, at which pitched samples are rendered
    worst, saw = -200.0, 0.0
    for name, start, length, loop_start, loop_length in samples(module):
        if not name.startswith("lead") or not loop_length:
            continue
        loop = np.frombuffer(bytes(module[start + loop_start:start + loop_start + loop_length]), dtype=np.int8)
        power = np.abs(np.fft.rfft(loop.astype(np.float64))) ** 2
        hz = np.arange(len(power)) * rate / len(loop)
        strongest = hz[np.argmax(power * (hz > 100) * (hz < 2000))]
        cluster = np.abs(hz - strongest) < 8.0  # the detuned voices around the fundamental
        fundamental = (hz * power)[cluster].sum() / power[cluster].sum()
        if between_harmonics(power, hz, fundamental) > worst:
            worst = between_harmonics(power, hz, fundamental)
            n = np.arange(len(loop))
            cycles = np.round(fundamental * len(loop) / rate)
            plain = sum(np.sin(2 * np.pi * h * cycles * n / len(loop)) / h
                        for h in range(1, int(0.45 * len(loop) / cycles) + 1))
            plain = np.round(plain / np.abs(plain).max() * 126.0)
            saw = between_harmonics(np.abs(np.fft.rfft(plain)) ** 2, hz, fundamental)
    return worst, saw


def between_harmonics(power, hz, fundamental):
    # Partials lie near multiples of half the fundamental (the sub-octave voice's included), spread
    # by the detuned voices (9 cents) and by what the saturation makes of their beating (sidebands a
    # few hertz apart): 20 Hz and 2% either side. Aliases land anywhere between.
    step = fundamental / 2
    near = np.abs(hz - np.round(hz / step) * step) < 20.0 + 0.02 * hz
    under = (hz > 50) & (hz < 3000)
    return 10 * np.log10(power[under & ~near].sum() / power[under & near].sum())


# ---- pictures ---------------------------------------------------------------------------------

def write_png(path, rgb):
    height, width, _ = rgb.shape
    raw = b"".join(b"\0" + rgb[y].astype(np.uint8).tobytes() for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return len(data).to_bytes(4, "big") + body + zlib.crc32(body).to_bytes(4, "big")

    header = width.to_bytes(4, "big") + height.to_bytes(4, "big") + bytes([8, 2, 0, 0, 0])
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                  + chunk(b"IEND", b""))


def loudness_picture(path, meter, starts):
    """M (grey) and S (white) from -40 to -8 LUFS, a line every 5 LU, a blue line at each order."""
    width, height, top, bottom = 1600, 400, -8.0, -40.0
    picture = np.zeros((height, width, 3))
    end = meter["t"][-1]

    def y(lufs):
        return int(np.clip((top - lufs) / (top - bottom) * (height - 1), 0, height - 1))

    for level in range(-40, -7, 5):
        picture[y(level), :] = (60, 60, 60) if level != -15 else (120, 60, 60)
    for order, start in enumerate(starts):
        x = int(start / end * (width - 1))
        picture[:, x] = (40, 70, 160) if order not in SCENE_ORDERS else (60, 160, 230)
    for key, colour in (("M", (130, 130, 130)), ("S", (255, 255, 255))):
        for t, lufs in zip(meter["t"], meter[key]):
            if np.isfinite(lufs):
                picture[y(lufs), int(t / end * (width - 1))] = colour
    write_png(path, picture)


# ---- the figures ------------------------------------------------------------------------------

def order_starts(tool, module_path):
    return [float(line.split()[1]) for line in run([tool, "--orders", module_path]).stdout.split("\n") if line]


def main():
    if len(sys.argv) not in (2, 4) or (len(sys.argv) == 4 and sys.argv[2] != "--pictures"):
        sys.exit(__doc__)
    build = sys.argv[1]
    tool = os.path.join(build, "tools", "module", "ondaris_module")
    module_path = os.path.join(build, "Assets", "ondaris.mod")
    with open(module_path, "rb") as f:
        module = f.read()
    starts = order_starts(tool, module_path)
    with tempfile.TemporaryDirectory() as folder:
        wav = os.path.join(folder, "song.wav")
        song = render(tool, module_path, wav)
        meter = ebur128(wav)
        if len(sys.argv) == 4:
            run(["sox", wav, "-n", "remix", "1,2", "spectrogram", "-x", "1600", "-y", "513", "-z", "90",
                 "-t", "ondaris", "-o", sys.argv[3] + "-spectrogram.png"])
            loudness_picture(sys.argv[3] + "-loudness.png", meter, starts)
        loudest = {}
        for name in PARTS:
            path = os.path.join(folder, name + ".mod")
            with open(path, "wb") as f:
                f.write(solo(module, {n for n, *_ in samples(module) if n.startswith(name)}))
            loudest[name] = loudest_50ms(render(tool, path, os.path.join(folder, name + ".wav")))

    t, momentary, short = meter["t"], meter["M"], meter["S"]
    print("integrated %.1f LUFS, loudness range %.1f LU, true peak %.1f dBTP" % (meter["I"], meter["LRA"], meter["TP"]))
    for order in SCENE_ORDERS:
        start = starts[order]
        after = momentary[(t > start) & (t <= start + 1.0)]
        before = momentary[(t > start - 1.0) & (t <= start)]
        print("change at order %2d: %+.1f LU (second before %.1f, after %.1f, hit %.1f LUFS momentary)" % (
            order, after.mean() - before.mean(), before.mean(), after.mean(), after.max()))
    # The first 3 s have no full short-term window yet (ffmpeg reads -120.7 there).
    by_order = [short[(t > max(starts[o], 3.0)) & (t <= starts[o + 1])].mean() for o in range(len(starts) - 1)]
    middle = by_order[5:15]
    print("short-term by order: " + " ".join("%d:%.1f" % (o, v) for o, v in enumerate(by_order)))
    print("orders 5-14 span %.1f LU (%.1f to %.1f LUFS)" % (max(middle) - min(middle), min(middle), max(middle)))
    print("loudest 50 ms: " + ", ".join("%s %.1f dBFS" % (name, loudest[name]) for name in PARTS))
    print("drums over bass and lead: " + ", ".join("%s %+.1f and %+.1f dB" % (
        drum, loudest[drum] - loudest["bass"], loudest[drum] - loudest["lead"]) for drum in ("kick", "snare")))
    mid, side = (song[:, 0] + song[:, 1]) / 2, (song[:, 0] - song[:, 1]) / 2
    print("side under mid: %.1f dB over the song, %.1f dB below 150 Hz" % (
        10 * np.log10((mid ** 2).sum() / (side ** 2).sum()),
        10 * np.log10(band_energy(mid, 20, 150) / band_energy(side, 20, 150))))
    print("6-16 kHz under 2-6 kHz: %.1f dB" % (10 * np.log10(band_energy(mid, 2000, 6000) / band_energy(mid, 6000, 16000))))
    lead, saw = lead_aliasing(module)
    print("lead between harmonics under 3 kHz: %.1f dB (a plain 8-bit saw %.1f dB)" % (lead, saw))


if __name__ == "__main__":
    main()
