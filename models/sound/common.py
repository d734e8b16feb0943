"""Paths and helpers shared by the sound model tooling."""
import os
import pathlib
import subprocess

import numpy as np

REPO = pathlib.Path(__file__).resolve().parents[2]
CACHE = pathlib.Path(os.environ.get("SOUND_CACHE", "/var/cache/voicetools-sound"))
BUILD = pathlib.Path(os.environ.get("BUILD_DIR", REPO / "build"))
DUMPER = BUILD / "bin" / "sound_model_dump"
HERE = pathlib.Path(__file__).resolve().parent

SAMPLE_RATE = 16000
WINDOW = 16000
MEL_BANDS = 64
FRAMES = 50

AUDIO_SUFFIXES = {".wav", ".ogg", ".flac", ".mp3", ".gsm", ".opus"}


def run(args, **kw):
    return subprocess.run(args, check=True, **kw)


def decode(path, seconds=None):
    """Decodes any audio file to mono float32 at 16 kHz with ffmpeg."""
    args = ["ffmpeg", "-v", "error", "-nostdin", "-i", str(path)]
    if seconds is not None:
        args += ["-t", str(seconds)]
    args += ["-ac", "1", "-ar", str(SAMPLE_RATE), "-f", "f32le", "-"]
    out = subprocess.run(args, check=True, capture_output=True).stdout
    return np.frombuffer(out, dtype=np.float32).copy()


def dump(mode, windows, out_dim):
    """Runs the C++ front end (or the whole model) over windows [N, 16000]."""
    windows = np.ascontiguousarray(windows, dtype="<f4")
    proc = subprocess.run([str(DUMPER), mode], input=windows.tobytes(), check=True, capture_output=True)
    return np.frombuffer(proc.stdout, dtype="<f4").reshape(len(windows), out_dim)


def features(windows, chunk=4096):
    parts = [dump("features", windows[i:i + chunk], MEL_BANDS * FRAMES) for i in range(0, len(windows), chunk)]
    return np.concatenate(parts).reshape(-1, MEL_BANDS, FRAMES) if parts else np.zeros((0, MEL_BANDS, FRAMES), "f4")
