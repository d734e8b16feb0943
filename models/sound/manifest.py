"""Stage 3: the manifest. Applies the label rules to the unpacked packages,
adds our synthesized audio, decodes every used file once (16 kHz mono,
cached as .npy), drops exact duplicate audio into one group, and splits the
groups into training and validation so that no recording (and no copy of
one) is on both sides.

Writes CACHE/manifest.tsv: file, labels (+-joined), kind, package, group,
duration in seconds, split."""
import hashlib
import multiprocessing
import os
import random
import subprocess

import numpy as np

from common import AUDIO_SUFFIXES, CACHE, decode
from labels import CLIP, LONG, label_file
from fetch import PACKAGES

# At most this many files per package and label set (kept deterministic by
# sorting on a hash of the path): enough variety, bounded decoding time.
CAP = 300
VALIDATION_FRACTION = 0.2
SYNTH_LABELS = {"noise": ["noise"], "silence": ["silence"], "espeak": ["speech"]}


def synth_labels(folder, name):
    if folder in SYNTH_LABELS:
        return SYNTH_LABELS[folder], LONG
    if folder.startswith("gm_"):
        return [folder[3:]], LONG
    if folder == "ensemble":
        return sorted(set(name.rsplit(".", 1)[0].split("_", 2)[2].split("+")) | {"music"}), LONG
    return [folder, "music"], LONG


def group_of(package, rel):
    """Recordings that belong together stay on one side of the split."""
    parts = rel.split("/")
    if package.startswith("hydrogen-drumkits") and "drumkits" in parts:
        return package + ":" + parts[parts.index("drumkits") + 1]
    if package == "bucklespring-data":
        return package + ":" + parts[-1].split("-")[0]
    if package == "grandorgue-demo":
        return package + ":" + parts[-2]
    return package + ":" + rel.rsplit(".", 1)[0]


def candidates():
    rows = []
    unpacked = CACHE / "unpacked"
    for package in PACKAGES:
        base = unpacked / package
        for dirpath, _, files in os.walk(base):
            for f in files:
                path = os.path.join(dirpath, f)
                if os.path.splitext(f)[1].lower() not in AUDIO_SUFFIXES:
                    continue
                rel = os.path.relpath(path, base)
                hit = label_file(package, rel)
                if hit:
                    rows.append({"file": path, "labels": hit[0], "kind": hit[1], "package": package,
                                 "group": group_of(package, rel)})
    capped, seen = [], {}
    for row in sorted(rows, key=lambda r: hashlib.sha1(r["file"].encode()).hexdigest()):
        key = (row["package"], "+".join(row["labels"]))
        seen[key] = seen.get(key, 0) + 1
        if seen[key] <= CAP:
            capped.append(row)
    synth = CACHE / "synth"
    for folder in sorted(os.listdir(synth)):
        for f in sorted(os.listdir(synth / folder)):
            if f.endswith(".wav"):
                labels, kind = synth_labels(folder, f)
                capped.append({"file": str(synth / folder / f), "labels": labels, "kind": kind,
                               "package": "synth:" + folder, "group": "synth:" + f})
    return capped


def pcm_path(file):
    return CACHE / "pcm" / (hashlib.sha1(file.encode()).hexdigest() + ".npy")


def decode_one(file):
    out = pcm_path(file)
    if out.exists():
        audio = np.load(out, mmap_mode="r")
    else:
        try:
            audio = decode(file)
        except Exception:
            return file, 0.0, ""
        np.save(out, audio)
    # Exact duplicates: the same samples after decoding (coarsely quantised).
    digest = hashlib.sha1(np.round(np.asarray(audio) * 256).astype(np.int16).tobytes()).hexdigest()
    return file, len(audio) / 16000.0, digest


def fingerprint(file):
    """Chromaprint's raw fingerprint of the first 30 seconds (fpcalc)."""
    out = subprocess.run(["fpcalc", "-raw", "-length", "30", file], capture_output=True, text=True).stdout
    for line in out.splitlines():
        if line.startswith("FINGERPRINT="):
            return file, np.array([int(v) for v in line[12:].split(",") if v], dtype=np.uint32)
    return file, np.zeros(0, np.uint32)


def bit_error(a, b):
    """Smallest share of differing bits between two fingerprints over small shifts."""
    best = 1.0
    for shift in range(-6, 7):
        x, y = (a[shift:], b) if shift >= 0 else (a, b[-shift:])
        n = min(len(x), len(y), 60)
        if n < 8:
            continue
        diff = np.unpackbits(np.bitwise_xor(x[:n], y[:n]).view(np.uint8)).mean()
        best = min(best, float(diff))
    return best


def near_duplicates(rows, info, pool):
    """Pairs of package files (3 s or longer, durations within 5 %) that
    chromaprint finds to be the same recording, re-encoded or trimmed.
    Silence and noise have no meaningful fingerprint (and would chain
    unrelated files together), nor do mostly quiet files whose fingerprint
    barely changes; our own renders never copy a package's audio."""
    long_files = sorted((info[r["file"]][0], r["file"]) for r in rows
                        if info[r["file"]][0] >= 3.0 and not r["package"].startswith("synth:")
                        and not {"silence", "noise"} & set(r["labels"]))
    prints = dict(pool.map(fingerprint, [f for _, f in long_files], chunksize=16))
    for f, fp in list(prints.items()):
        if len(np.unique(fp)) < 0.5 * len(fp):
            prints[f] = np.zeros(0, np.uint32)
    pairs = []
    for i, (d1, f1) in enumerate(long_files):
        for d2, f2 in long_files[i + 1:]:
            if d2 > d1 * 1.05:
                break
            if bit_error(prints[f1], prints[f2]) < 0.15:
                pairs.append((f1, f2))
    return pairs


def build():
    rows = candidates()
    (CACHE / "pcm").mkdir(exist_ok=True)
    with multiprocessing.Pool(2) as pool:
        info = {f: (d, h) for f, d, h in pool.imap_unordered(decode_one, [r["file"] for r in rows], chunksize=16)}
        rows = [r for r in rows if info[r["file"]][0] > 0.05]
        pairs = near_duplicates(rows, info, pool)
    # Duplicate audio joins one group: identical samples, or the same
    # recording by fingerprint.
    parent = {}

    def find(g):
        while parent.get(g, g) != g:
            g = parent[g]
        return g

    def join(a, b):
        a, b = find(a), find(b)
        if a != b:
            parent[max(a, b)] = min(a, b)

    by_hash, group_of_file = {}, {}
    for r in rows:
        r["duration"] = info[r["file"]][0]
        group_of_file[r["file"]] = r["group"]
        join(by_hash.setdefault(info[r["file"]][1], r["group"]), r["group"])
    for f1, f2 in pairs:
        join(group_of_file[f1], group_of_file[f2])
    for r in rows:
        r["group"] = find(r["group"])
    print(f"manifest: {len(pairs)} near-duplicate pairs by fingerprint")
    # Split by group: a hash of the group name decides, then every label gets
    # at least one group on each side where it has two.
    def frac(g):
        return int(hashlib.sha1(g.encode()).hexdigest()[:8], 16) / 2 ** 32
    val = {r["group"] for r in rows if frac(r["group"]) < VALIDATION_FRACTION}
    labels = sorted({l for r in rows for l in r["labels"]})
    for label in labels:
        groups = sorted({r["group"] for r in rows if label in r["labels"]}, key=frac)
        if len(groups) >= 2 and not any(g in val for g in groups):
            val.add(groups[0])
        if len(groups) >= 2 and all(g in val for g in groups):
            val.discard(groups[-1])
    with open(CACHE / "manifest.tsv", "w") as out:
        out.write("file\tlabels\tkind\tpackage\tgroup\tduration\tsplit\n")
        for r in rows:
            split = "validation" if r["group"] in val else "train"
            out.write(f"{r['file']}\t{'+'.join(r['labels'])}\t{r['kind']}\t{r['package']}\t{r['group']}\t"
                      f"{r['duration']:.3f}\t{split}\n")
    print(f"manifest: {len(rows)} files, {len(val)} validation groups")


def read():
    rows = []
    with open(CACHE / "manifest.tsv") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            r = dict(zip(header, line.rstrip("\n").split("\t")))
            r["labels"] = r["labels"].split("+")
            r["duration"] = float(r["duration"])
            rows.append(r)
    return rows


if __name__ == "__main__":
    random.seed(0)
    build()
