"""Stage 2: audio we make ourselves, into CACHE/synth/<label>/:
instruments and General MIDI effects rendered by fluidsynth from generated
MIDI, silence and noise from sox, synthetic speech from espeak-ng.
Deterministic for a given seed."""
import multiprocessing
import random
import struct
import subprocess

from common import CACHE

SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"

# General MIDI programs (0-based) per label.
PROGRAMS = {
    "piano": [0, 1, 2, 3, 4, 5, 7],
    "organ": [16, 17, 18, 19, 20],
    "accordion": [21, 23],
    "acoustic_guitar": [24, 25],
    "electric_guitar": [26, 27, 28, 29, 30],
    "bass_guitar": [32, 33, 34, 35, 36, 37, 38],
    "bowed_strings": [40, 41, 42, 43, 44, 48, 49],
    "harp": [46],
    "mallet_percussion": [8, 9, 10, 11, 12, 13],
    "bell": [14, 112],
    "brass_instrument": [56, 57, 58, 59, 60, 61],
    "reed_instrument": [64, 65, 66, 67, 68, 69, 70, 71],
    "flute": [72, 73, 74, 75, 77, 78, 79],
}
# Sound-effect programs: label -> (program, pitch range).
EFFECTS = {
    "bird": (123, (60, 84)),
    "applause": (126, (55, 70)),
    "gunshot": (127, (45, 70)),
    "engine": (125, (45, 65)),
    "water": (122, (50, 70)),
}
# Registers where each instrument sounds natural (MIDI notes).
RANGES = {"bass_guitar": (28, 55), "flute": (60, 90), "mallet_percussion": (60, 96), "bell": (60, 84),
          "bowed_strings": (40, 84), "brass_instrument": (40, 76), "reed_instrument": (50, 82)}
# Pieces rendered per instrument (and drums; twice as many ensembles), and
# per General MIDI effect (one sample each, so more renders add little).
INSTRUMENT_RENDERS = 100
EFFECT_RENDERS = 30
DRUM_NOTES = [35, 36, 38, 40, 42, 44, 46, 49, 51, 45, 47, 48, 50, 39, 54, 56]


def midi_file(tracks, ticks=480):
    """A format-1 MIDI file from tracks given as [(tick, bytes)] absolute events."""
    def vlq(n):
        out = [n & 0x7F]
        n >>= 7
        while n:
            out.append((n & 0x7F) | 0x80)
            n >>= 7
        return bytes(reversed(out))
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), ticks)
    for events in tracks:
        body, last = b"", 0
        for tick, ev in sorted(events, key=lambda e: e[0]):
            body += vlq(tick - last) + ev
            last = tick
        body += b"\x00\xff\x2f\x00"
        data += b"MTrk" + struct.pack(">I", len(body)) + body
    return data


def melody_track(rng, channel, program, low, high, seconds, bpm, style):
    """Random notes in a scale: a melody, chords or arpeggios, played with a
    random volume, expression, vibrato and reverb and chorus sends."""
    ev = [(0, bytes([0xC0 | channel, program]))]
    for controller, value in ((7, rng.randint(70, 127)), (11, rng.randint(60, 127)),
                              (1, rng.choice([0, 0, rng.randint(10, 90)])),
                              (91, rng.randint(0, 100)), (93, rng.randint(0, 60))):
        ev.append((0, bytes([0xB0 | channel, controller, value])))
    tick_per_sec = 480 * bpm / 60
    root = rng.randint(low, max(low, high - 12))
    scale = [0, 2, 4, 5, 7, 9, 11] if rng.random() < 0.6 else [0, 2, 3, 5, 7, 8, 10]
    loud = rng.randint(40, 100)
    t = 0
    end = int(seconds * tick_per_sec)
    while t < end:
        length = rng.choice([120, 240, 240, 480, 480, 960]) if style != "sustained" else rng.choice([960, 1920])
        degree = rng.randint(0, 13)
        notes = [root + 12 * (degree // 7) + scale[degree % 7]]
        if style == "chords" and rng.random() < 0.7:
            notes += [notes[0] + 3 + (degree % 2), notes[0] + 7]
        velocity = max(1, min(127, loud + rng.randint(-20, 27)))
        for n in notes:
            n = max(0, min(127, n))
            ev.append((t, bytes([0x90 | channel, n, velocity])))
            ev.append((t + int(length * rng.uniform(0.6, 1.0)), bytes([0x80 | channel, n, 0])))
        t += length
    return ev, end


def drum_track(rng, seconds, bpm):
    ev = []
    tick_per_sec = 480 * bpm / 60
    end = int(seconds * tick_per_sec)
    pattern = [[rng.random() < p for p in (0.5, 0.25, 0.25, 0.25)] for _ in range(4)]
    kit = rng.sample(DRUM_NOTES, 5)
    step = 120
    t = 0
    i = 0
    while t < end:
        for voice, note in enumerate(kit[:4]):
            if pattern[voice][i % 4] or (voice == 2 and i % 2 == 0):
                ev.append((t, bytes([0x99, note, rng.randint(60, 127)])))
                ev.append((t + 60, bytes([0x89, note, 0])))
        t += step
        i += 1
    return ev, end


def tempo_event(bpm):
    us = int(60_000_000 / bpm)
    return (0, b"\xff\x51\x03" + us.to_bytes(3, "big"))


def render(job):
    """Renders one (output path, MIDI bytes, rng) job with fluidsynth, at a
    random gain and with its reverb and chorus units on or off."""
    out, midi_bytes, rng = job
    mid = out.with_suffix(".mid")
    mid.write_bytes(midi_bytes)
    gain = rng.uniform(0.3, 0.8)
    effects = ["-R", str(int(rng.random() < 0.7)), "-C", str(int(rng.random() < 0.5))]
    subprocess.run(["fluidsynth", "-ni", "-q", "-g", f"{gain:.2f}", "-r", "16000", *effects, "-F", str(out),
                    SOUNDFONT, str(mid)], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    mid.unlink()


def instrument_jobs(root, seed, per_label):
    """What to render: every piece has its own random stream (seeded by its
    name), so the set is the same however it is rendered or resumed."""
    jobs = []

    def job(folder, name, make):
        out = root / folder / name
        out.parent.mkdir(parents=True, exist_ok=True)
        if not out.exists():
            rng = random.Random(f"{seed}:{folder}/{name}")
            jobs.append((out, make(rng), rng))

    def solo(label, i):
        def make(rng):
            bpm = rng.randint(60, 160)
            low, high = RANGES.get(label, (45, 84))
            track, _ = melody_track(rng, 0, PROGRAMS[label][i % len(PROGRAMS[label])], low, high, 10, bpm,
                                    rng.choice(["melody", "chords", "sustained"]))
            return midi_file([[tempo_event(bpm)] + track])
        return make

    def drums(rng):
        bpm = rng.randint(70, 170)
        return midi_file([[tempo_event(bpm)] + drum_track(rng, 10, bpm)[0]])

    for label in PROGRAMS:
        for i in range(per_label):
            job(label, f"{label}_{i:03d}.wav", solo(label, i))
    for i in range(per_label):
        job("drums", f"drums_{i:03d}.wav", drums)
    # Ensembles: several instruments together, labelled with each of them
    # (the names are in the file name, so they are drawn first).
    for i in range(per_label * 2):
        pick = random.Random(f"{seed}:ensemble/{i}")
        names = pick.sample(sorted(PROGRAMS), pick.randint(2, 3))
        if pick.random() < 0.5:
            names.append("drums")

        def ensemble(rng, names=names):
            bpm = rng.randint(60, 160)
            tracks = [[tempo_event(bpm)]]
            for ch, name in enumerate(n for n in names if n != "drums"):
                low, high = RANGES.get(name, (45, 84))
                track, _ = melody_track(rng, ch, rng.choice(PROGRAMS[name]), low, high, 10, bpm,
                                        rng.choice(["melody", "chords", "sustained"]))
                tracks.append(track)
            if "drums" in names:
                tracks.append(drum_track(rng, 10, bpm)[0])
            return midi_file(tracks)
        job("ensemble", f"ensemble_{i:03d}_{'+'.join(names)}.wav", ensemble)
    for label, (program, (low, high)) in EFFECTS.items():
        def effect(rng, program=program, low=low, high=high):
            ev = [(0, bytes([0xC0, program]))]
            t = 0
            while t < 480 * 10:
                note = rng.randint(low, high)
                length = rng.randint(240, 1920)
                ev += [(t, bytes([0x90, note, rng.randint(70, 127)])), (t + length, bytes([0x80, note, 0]))]
                t += length + rng.choice([0, 0, 120, 480])
            return midi_file([[tempo_event(120)] + ev])
        for i in range(EFFECT_RENDERS):
            job("gm_" + label, f"{label}_{i:03d}.wav", effect)
    return jobs


def noise_args(rng, i):
    """A sox recipe for 10 s of steady noise: hiss of any colour, low
    rumble, or a fan's pulsing whoosh, sometimes band-limited."""
    colour = ["whitenoise", "pinknoise", "brownnoise", "tpdfnoise"][i % 4]
    args = ["synth", "10", colour, "vol", f"{rng.uniform(0.1, 0.6):.3f}"]
    r = rng.random()
    if r < 0.2:
        args += ["lowpass", str(rng.randint(1000, 7000))]
    elif r < 0.35:
        args += ["highpass", str(rng.randint(100, 2000))]
    elif r < 0.5:
        args += ["bandpass", str(rng.randint(300, 4000)), f"{rng.uniform(0.5, 3):.1f}o"]
    elif r < 0.7:  # rumble: machinery, traffic, air conditioning
        args = ["synth", "10", rng.choice(["brownnoise", "pinknoise"]), "vol", f"{rng.uniform(0.3, 0.9):.3f}",
                "lowpass", str(rng.randint(120, 900)), "lowpass", str(rng.randint(200, 1500))]
    elif r < 0.85:  # a fan: noise pulsing at the blades' rate
        args += ["lowpass", str(rng.randint(800, 5000)),
                 "tremolo", f"{rng.uniform(6, 40):.1f}", str(rng.randint(10, 50))]
    return args


def make_sox(root, seed, noises, silences):
    noise = root / "noise"
    silence = root / "silence"
    noise.mkdir(parents=True, exist_ok=True)
    silence.mkdir(parents=True, exist_ok=True)
    for i in range(noises):
        out = noise / f"noise_{i:03d}.wav"
        args = noise_args(random.Random(f"{seed}:noise/{i}"), i)
        if not out.exists():
            subprocess.run(["sox", "-n", "-r", "16000", "-b", "16", str(out)] + args, check=True)
    for i in range(silences):
        out = silence / f"silence_{i:03d}.wav"
        r = random.Random(f"{seed}:silence/{i}")
        if not out.exists():
            # Digital silence, dither, or a very low hiss or hum: what a muted input records.
            kind = i % 4
            if kind == 0:
                args = ["synth", "10", "sine", "0", "vol", "0"]
            elif kind == 1:
                args = ["synth", "10", "whitenoise", "vol", f"{10 ** r.uniform(-4.5, -3):.6f}"]
            elif kind == 2:
                args = ["synth", "10", "pinknoise", "vol", f"{10 ** r.uniform(-4.5, -3.2):.6f}"]
            else:
                args = ["synth", "10", "sine", str(r.choice([50, 60, 100, 120])), "vol",
                        f"{10 ** r.uniform(-4.5, -3.3):.6f}"]
            subprocess.run(["sox", "-n", "-r", "16000", "-b", "32", "-e", "floating-point", str(out)] + args,
                           check=True)


SENTENCES = [
    "the quick brown fox jumps over the lazy dog", "please leave a message after the tone",
    "meeting notes for tuesday, budget review and next steps", "call me back when you get this",
    "remember to buy milk, eggs, bread and coffee", "one two three four five six seven eight nine ten",
    "the weather tomorrow will be cloudy with a chance of rain", "i think we should try again next week",
    "this is a test of the recording", "can you hear me now", "twenty three point five percent",
]
VOICES = ["en", "en-us", "en-gb", "de", "fr", "es", "it", "pt", "nl", "pl", "ru", "sv", "cs", "fi", "el"]


def make_espeak(root, rng, count):
    folder = root / "espeak"
    folder.mkdir(parents=True, exist_ok=True)
    for i in range(count):
        out = folder / f"espeak_{i:03d}.wav"
        if out.exists():
            continue
        voice = VOICES[i % len(VOICES)] + rng.choice(["", "+m3", "+f2", "+f4", "+m7", "+croak"])
        text = ". ".join(rng.sample(SENTENCES, 2))
        subprocess.run(["espeak-ng", "-v", voice, "-s", str(rng.randint(120, 200)), "-p", str(rng.randint(20, 80)),
                        "-w", str(out), text], check=True, stderr=subprocess.DEVNULL)


def synthesize(seed=7, per_label=INSTRUMENT_RENDERS):
    root = CACHE / "synth"
    make_sox(root, seed, 100, 40)
    with multiprocessing.Pool(2) as pool:
        pool.map(render, instrument_jobs(root, seed, per_label), chunksize=8)
    make_espeak(root, random.Random(seed), 60)


if __name__ == "__main__":
    synthesize()
