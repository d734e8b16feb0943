"""Stage 6: evaluates the trained networks (their mean, as the program runs
them) on the validation windows and
decides which labels ship. Prints (and writes to report.txt beside the
model) per label: precision and recall at 0.5, average precision, and the
mean confidence on windows without the label; then, for speech, silence,
music and noise, accuracy on clean 1-second windows of real recordings.

A label ships when its AP is at least MIN_AP and its mean confidence on
windows without it stays below MAX_NEGATIVE_MEAN; the four general labels
always ship. Windows where a label's presence is unknown (instruments in
game soundtracks) do not count for that label. The list goes into the
first network's checkpoint for export.py."""
import numpy as np
import torch

from common import CACHE, HERE
from net import MEMBERS, load_members

MIN_AP = 0.70
MAX_NEGATIVE_MEAN = 0.05
GENERAL = ["speech", "silence", "music", "noise"]


def average_precision(truth, scores):
    truth = np.asarray(truth).astype(bool)
    if not truth.any():
        return float("nan")
    order = np.argsort(-np.asarray(scores), kind="stable")
    hits = truth[order]
    precision = np.cumsum(hits) / np.arange(1, len(hits) + 1)
    return float(precision[hits].mean())


def predict(model, x):
    model.eval()
    with torch.no_grad():
        return torch.cat([model(torch.as_tensor(x[i:i + 512].astype(np.float32))) for i in range(0, len(x), 512)]).numpy()


def main():
    members = load_members([CACHE / name for name in MEMBERS])
    state = members[0][0]
    labels = state["labels"]
    val = np.load(CACHE / "features" / "validation.npz")
    y, known = val["y"].astype(bool), val["known"].astype(bool)
    p = np.mean([predict(model, val["x"]) for _, model in members], axis=0)
    lines = [f"sound model {state['version']} (the mean of {len(members)} networks): {len(y)} validation windows",
             f"{'label':18s} {'windows':>7s} {'prec':>6s} {'recall':>6s} {'AP':>6s} {'neg.mean':>8s}  ship"]
    shipped, dropped = [], []
    for k, label in enumerate(labels):
        t, s = y[known[:, k], k], p[known[:, k], k]
        if not t.any():
            dropped.append((label, "no validation windows"))
            continue
        predicted = s >= 0.5
        precision = (predicted & t).sum() / max(predicted.sum(), 1)
        recall = (predicted & t).sum() / t.sum()
        ap = average_precision(t, s)
        negative = float(s[~t].mean())
        ok = label in GENERAL or (ap >= MIN_AP and negative < MAX_NEGATIVE_MEAN)
        (shipped if ok else dropped).append(label if ok else (label, f"AP {ap:.2f}, negative mean {negative:.3f}"))
        lines.append(f"{label:18s} {int(t.sum()):7d} {precision:6.3f} {recall:6.3f} {ap:6.3f} {negative:8.4f}  "
                     f"{'yes' if ok else 'DROPPED'}")
    aps = [average_precision(y[known[:, labels.index(l)], labels.index(l)], p[known[:, labels.index(l)], labels.index(l)])
           for l in shipped]
    lines.append(f"shipped {len(shipped)} labels, mean AP {np.mean(aps):.3f}; dropped: "
                 + (", ".join(f"{l} ({why})" for l, why in dropped) or "none"))
    # Clean windows of real recordings, primary label one of the general four.
    general = [labels.index(l) for l in GENERAL]
    clean, real, primary = val["clean"], val["real"], val["primary"]
    lines.append("accuracy on clean 1-second windows of real recordings (top of the four general labels):")
    for l, k in zip(GENERAL, general):
        rows = np.where(clean & real & (primary == k))[0]
        if len(rows) == 0:
            lines.append(f"  {l:8s}   no real recordings in validation")
            continue
        top = np.array(general)[np.argmax(p[rows][:, general], axis=1)]
        lines.append(f"  {l:8s} {np.mean(top == k):6.3f} on {len(rows)} windows")
    speech = labels.index("speech")
    rows = np.where(primary == speech)[0]
    top_all = np.argmax(p[rows], axis=1) == speech
    noisy = y[rows].sum(axis=1) > 1
    lines.append(f"speech is the top label on {np.mean(top_all[~noisy]):.3f} of clean speech windows and "
                 f"{np.mean(top_all[noisy]):.3f} of speech windows mixed with other sounds")
    report = "\n".join(lines) + "\n"
    print(report, end="")
    (HERE / "report.txt").write_text(report)
    state["shipped"] = shipped
    torch.save(state, CACHE / MEMBERS[0])


if __name__ == "__main__":
    main()
