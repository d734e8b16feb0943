"""Stage 4: builds labelled 1-second training and validation windows from the
manifest, with augmentation that matches our users' recordings (speech over
noise and music at random levels, gain, small rooms, phone and laptop
band-limits, AAC round trips), and runs them through the C++ front end once.

Writes CACHE/features/<split>.npz: x [N, 64, 50] float16 log-mel features,
y [N, labels] uint8, known [N, labels] uint8 (0 where a label's presence
is unknown), primary [N] label index, clean [N] bool (an
unaugmented window), real [N] bool (its primary source is a recording from
a package, not our own synthesis)."""
import multiprocessing
import os
import random
import subprocess
import tempfile

import numpy as np

from common import CACHE, WINDOW, features
from labels import ALL_LABELS, INSTRUMENTS, LONG, UNKNOWN_IN_MUSIC, UNKNOWN_WITH
import manifest
from manifest import pcm_path

# Windows per label in which that label is the primary source.
PER_LABEL = {"train": 800, "validation": 100}
EXTRA = {"speech": 5, "music": 3, "noise": 3, "silence": 2, **{l: 1.5 for l in INSTRUMENTS}}  # multipliers
# Events that come in trains: several copies go into one window.
REPEATED = {"footsteps", "typing", "gunshot", "drums", "door"}
BACKGROUNDS = ["noise", "music", "wind", "rain", "water", "engine", "fire"]
# A background counts as present only when it is loud enough to be heard:
# at most this many dB below the primary source, and above this level (dBFS).
# Fainter backgrounds are neither present nor absent (unknown): the network is
# not taught either way about what a listener could not tell.
AUDIBLE_SNR = 12
AUDIBLE_LEVEL = -62


def db(x):
    return 10 ** (x / 20)


def rms(x):
    return float(np.sqrt(np.mean(np.square(x, dtype=np.float64)) + 1e-20))


class Pool:
    """The files of one split, loaded lazily, indexed by label."""

    def __init__(self, rows):
        self.rows = rows
        self.by_label = {}
        for i, r in enumerate(rows):
            for l in r["labels"]:
                self.by_label.setdefault(l, []).append(i)
        self.cache = {}

    def audio(self, i):
        if i not in self.cache:
            a = np.load(pcm_path(self.rows[i]["file"]))
            frames = a[: len(a) // 1600 * 1600].reshape(-1, 1600) if len(a) >= 1600 else a.reshape(1, -1)
            level = np.sqrt(np.mean(frames.astype(np.float64) ** 2, axis=1))
            self.cache[i] = (a, float(np.percentile(level, 90)) + 1e-9)
        return self.cache[i]

    def pick(self, label, rng):
        """A file with this label, every group equally likely."""
        files = self.by_label.get(label, [])
        groups = sorted({self.rows[i]["group"] for i in files})
        if not groups:
            return None
        group = rng.choice(groups)
        return rng.choice([i for i in files if self.rows[i]["group"] == group])


def crop(audio, reference, rng, need_activity=True, loop=False):
    """A 1-second piece of a recording; with need_activity, one where the
    sound is present (not a pause or fade). A loop shorter than a second
    (a fan, a hum) is repeated to fill it; a short clip sits in silence."""
    if len(audio) <= WINDOW and loop:
        audio = np.tile(audio, WINDOW // len(audio) + 2)
    if len(audio) <= WINDOW:
        out = np.zeros(WINDOW, np.float32)
        at = rng.randint(0, WINDOW - len(audio))
        out[at:at + len(audio)] = audio
        return out
    for _ in range(12):
        at = rng.randint(0, len(audio) - WINDOW)
        piece = audio[at:at + WINDOW]
        if not need_activity or rms(piece) >= 0.3 * reference:
            return piece.astype(np.float32)
    return None


def source_window(pool, i, label, rng):
    audio, reference = pool.audio(i)
    row = pool.rows[i]
    silent = row["labels"] == ["silence"]
    window = crop(audio, reference, rng, need_activity=not silent, loop=row["kind"] == LONG)
    if window is None:
        return None
    if label in REPEATED and row["kind"] == "clip" and len(audio) < WINDOW * 0.6:
        for _ in range(rng.randint(0, 4)):
            j = pool.pick(label, rng)
            other, _ = pool.audio(j)
            if len(other) < WINDOW:
                at = rng.randint(0, WINDOW - len(other))
                window[at:at + len(other)] += other * rng.uniform(0.5, 1.2)
    return window


def colour(x, rng):
    """Noise as rooms and machines make it: a random spectral tilt, a few
    broad resonances and sometimes mains hum."""
    spec = np.fft.rfft(x)
    hz = np.maximum(np.fft.rfftfreq(len(x), 1 / 16000), 20)
    octaves = np.log2(hz / 1000)
    # Mostly gentle slopes; sometimes the steep fall of a distant rumble.
    gain_db = (rng.uniform(-6, 4) if rng.random() < 0.75 else rng.uniform(-15, -6)) * octaves
    for _ in range(rng.randint(0, 3)):
        centre, width = rng.uniform(-3, 2.5), rng.uniform(0.3, 1.5)
        gain_db += rng.uniform(-12, 12) * np.exp(-0.5 * ((octaves - centre) / width) ** 2)
    y = np.fft.irfft(spec * db(gain_db), len(x))
    if rng.random() < 0.25:
        t = np.arange(len(x)) / 16000
        mains = rng.choice([50, 60])
        hum = sum(rng.uniform(0.2, 1) / k * np.sin(2 * np.pi * mains * k * t + rng.uniform(0, 6.3)) for k in (1, 2, 3, 4))
        y = y + hum * rms(y) * db(rng.uniform(-20, -3))
    return (y * rms(x) / rms(y)).astype(np.float32)


def reverb(x, rng):
    rt60 = rng.uniform(0.15, 0.6)
    n = int(16000 * rt60)
    t = np.arange(n) / 16000
    ir = np.random.default_rng(rng.randint(0, 2 ** 31)).normal(0, 1, n) * np.exp(-6.9 * t / rt60)
    ir[0] = 1.0 / rng.uniform(0.05, 0.5)
    size = 1 << int(np.ceil(np.log2(len(x) + n)))
    wet = np.fft.irfft(np.fft.rfft(x, size) * np.fft.rfft(ir, size), size)[: len(x)]
    return (wet * rms(x) / rms(wet)).astype(np.float32)


def band_limit(x, rng):
    spec = np.fft.rfft(x)
    hz = np.fft.rfftfreq(len(x), 1 / 16000)
    if rng.random() < 0.5:  # telephone
        low, high = rng.uniform(200, 400), rng.uniform(3000, 3800)
    else:  # small laptop or phone microphone
        low, high = rng.uniform(80, 300), rng.uniform(5000, 7500)
    gain = 1 / (1 + (low / np.maximum(hz, 1)) ** 4) / (1 + (hz / high) ** 8)
    return np.fft.irfft(spec * gain, len(x)).astype(np.float32)


def aac_round_trip(windows, rng):
    """Encodes windows (with gaps) to AAC in .m4a and decodes them again."""
    gap = 4000
    joined = np.concatenate([np.concatenate([w, np.zeros(gap, np.float32)]) for w in windows])
    with tempfile.TemporaryDirectory() as tmp:
        raw, m4a = os.path.join(tmp, "in.f32"), os.path.join(tmp, "out.m4a")
        joined.astype("<f4").tofile(raw)
        rate = rng.choice(["24k", "32k", "48k", "64k", "96k"])
        subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-f", "f32le", "-ar", "16000", "-ac", "1", "-i", raw,
                        "-c:a", "aac", "-b:a", rate, m4a], check=True)
        out = subprocess.run(["ffmpeg", "-v", "error", "-nostdin", "-i", m4a, "-f", "f32le", "-ac", "1", "-ar",
                              "16000", "-"], check=True, capture_output=True).stdout
    decoded = np.frombuffer(out, "<f4")
    # Align on the first window (the encoder's delay is normally removed on decoding).
    probe = joined[:WINDOW]
    best, shift = -1.0, 0
    for s in range(0, 2049, 16):
        seg = decoded[s:s + WINDOW]
        if len(seg) < WINDOW:
            break
        c = float(np.dot(seg, probe))
        if c > best:
            best, shift = c, s
    result = []
    for k in range(len(windows)):
        at = shift + k * (WINDOW + gap)
        seg = decoded[at:at + WINDOW]
        result.append(np.pad(seg, (0, WINDOW - len(seg))).astype(np.float32) if len(seg) == WINDOW or len(seg) > 0
                      else windows[k])
    return result


def make_window(pool, label, rng, augment):
    """One window with `label` as its primary source; returns (samples, labels,
    labels whose presence is unknown, index of the primary source file)."""
    for _ in range(20):
        i = pool.pick(label, rng)
        if i is None:
            return None
        x = source_window(pool, i, label, rng)
        if x is not None:
            break
    else:
        return None
    labels = set(pool.rows[i]["labels"])
    unknown = set(UNKNOWN_IN_MUSIC) if pool.rows[i]["labels"] == ["music"] else set()
    if "silence" in labels:
        # A muted input: at most a faint hiss.
        level = rms(x)
        target = db(rng.uniform(-100, -58))
        x = x * (target / level if level > target else 1.0)
        return x.astype(np.float32), labels, unknown, i
    if not augment:
        peak = np.max(np.abs(x)) + 1e-9
        return (x * min(1.0, 0.9 / peak)).astype(np.float32), labels, unknown, i
    x = x / rms(x)
    if label == "noise" and rng.random() < 0.7:
        x = colour(x, rng)
    mix_chance = 0.7 if label == "speech" else 0.3
    background = None
    if rng.random() < mix_chance and label not in ("noise",):
        name = rng.choice(BACKGROUNDS if label == "speech" else ["noise", "music", "speech"] + BACKGROUNDS[2:])
        if name != label:
            j = pool.pick(name, rng)
            if j is not None:
                b = source_window(pool, j, name, rng)
                if b is not None and rms(b) > 1e-6:
                    # Speech is what our users record: it stays in front.
                    snr = rng.uniform(0, 20) if label == "speech" else rng.uniform(-5, 15)
                    x = x + b / rms(b) * db(-snr)
                    background = (set(pool.rows[j]["labels"]), snr)
                    if pool.rows[j]["labels"] == ["music"]:
                        unknown |= set(UNKNOWN_IN_MUSIC)
    if rng.random() < 0.2:
        x = reverb(x, rng)
    if rng.random() < 0.25:
        x = band_limit(x, rng)
    # Recording level, then a faint noise floor that is not labelled.
    level = rng.uniform(-45, -12)
    x = x / rms(x) * db(level)
    if background is not None:
        extra, snr = background[0] - labels, background[1]
        if snr <= AUDIBLE_SNR and level - snr >= AUDIBLE_LEVEL:
            labels |= extra
        else:
            unknown |= extra
    x = x + np.random.default_rng(rng.randint(0, 2 ** 31)).normal(0, db(rng.uniform(-100, -72)), WINDOW)
    return np.clip(x, -1, 1).astype(np.float32), labels, unknown, i


def build_labels(split, seed, names):
    """The windows whose primary source is one of `names`, as features."""
    rows = [r for r in manifest.read() if r["split"] == split]
    pool = Pool(rows)
    rng = random.Random(seed)
    windows, ys, known, primary, clean, real = [], [], [], [], [], []
    for li, label in enumerate(ALL_LABELS):
        if label not in names or label not in pool.by_label:
            continue
        count = int(PER_LABEL[split] * EXTRA.get(label, 1))
        for k in range(count):
            augment = k % 4 != 0
            made = make_window(pool, label, rng, augment)
            if made is None:
                continue
            x, labels, unknown, source = made
            for present in labels:
                unknown |= set(UNKNOWN_WITH.get(present, []))
            real.append(not pool.rows[source]["package"].startswith("synth:"))
            windows.append(x)
            ys.append([1 if l in labels else 0 for l in ALL_LABELS])
            known.append([0 if l in unknown and l not in labels else 1 for l in ALL_LABELS])
            primary.append(li)
            clean.append(not augment)
    windows = np.stack(windows)
    # AAC round trips for a share of the augmented windows, in batches.
    chosen = [i for i in range(len(windows)) if not clean[i] and rng.random() < 0.15]
    for start in range(0, len(chosen), 200):
        batch = chosen[start:start + 200]
        for i, w in zip(batch, aac_round_trip([windows[i] for i in batch], rng)):
            windows[i] = w
    return dict(x=features(windows).astype(np.float16), y=np.array(ys, np.uint8), known=np.array(known, np.uint8),
                primary=np.array(primary), clean=np.array(clean), real=np.array(real))


def build(split, seed, workers=2):
    # Labels are dealt to the workers by their share of the work (speech and
    # music make several times a label's windows), each with its own seed.
    shares = sorted(ALL_LABELS, key=lambda l: -EXTRA.get(l, 1))
    parts = [shares[w::workers] for w in range(workers)]
    with multiprocessing.Pool(workers) as pool:
        done = pool.starmap(build_labels, [(split, seed * 100 + w, names) for w, names in enumerate(parts)])
    merged = {k: np.concatenate([d[k] for d in done]) for k in done[0]}
    out = CACHE / "features"
    out.mkdir(exist_ok=True)
    np.savez(out / f"{split}.npz", labels=np.array(ALL_LABELS), **merged)
    print(f"{split}: {len(merged['x'])} windows", flush=True)


if __name__ == "__main__":
    build("validation", 2)
    build("train", 1)
