"""Stage 5: trains the network on the precomputed features, within a time
budget, and keeps the checkpoint that does best on validation."""
import argparse
import time

import numpy as np
import torch

from common import CACHE
from evaluate import average_precision
from net import SoundNet


def load(split):
    d = np.load(CACHE / "features" / f"{split}.npz")
    return {k: d[k] for k in d.files}


def mask(xb, rng):
    """Hides a random band of mel rows and a random run of frames in each
    window (set to the window's floor), so no label leans on one detail."""
    n, bands, frames = xb.shape
    floor = xb.amin(dim=(1, 2), keepdim=True)
    b0 = torch.as_tensor(rng.integers(0, bands, n)).view(n, 1, 1)
    bw = torch.as_tensor(rng.integers(0, 9, n)).view(n, 1, 1)
    t0 = torch.as_tensor(rng.integers(0, frames, n)).view(n, 1, 1)
    tw = torch.as_tensor(rng.integers(0, 9, n)).view(n, 1, 1)
    rows = torch.arange(bands).view(1, bands, 1)
    cols = torch.arange(frames).view(1, 1, frames)
    hidden = ((rows >= b0) & (rows < b0 + bw)) | ((cols >= t0) & (cols < t0 + tw))
    return torch.where(hidden, floor, xb)


def mean_ap(model, x, y, known):
    model.eval()
    with torch.no_grad():
        p = torch.cat([model(torch.as_tensor(x[i:i + 512], dtype=torch.float32)) for i in range(0, len(x), 512)]).numpy()
    aps = [average_precision(y[known[:, k] > 0, k], p[known[:, k] > 0, k]) for k in range(y.shape[1]) if y[:, k].any()]
    return float(np.mean(aps)), p


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--minutes", type=float, default=30)
    parser.add_argument("--epochs", type=int, default=100, help="at most; the time budget usually ends training")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seed", type=int, default=0)
    parser.add_argument("--version", default="1")
    parser.add_argument("--resume", action="store_true", help="continue from the saved checkpoint")
    parser.add_argument("--max-lr", type=float, default=3e-3)
    parser.add_argument("--model", default="model.pt", help="checkpoint file in the cache")
    args = parser.parse_args()
    torch.manual_seed(args.seed)
    torch.set_num_threads(args.threads)
    train, val = load("train"), load("validation")
    labels = [str(l) for l in train["labels"]]
    x = train["x"].astype(np.float32)
    y = train["y"].astype(np.float32)
    known = train["known"].astype(np.float32)
    mean = x.mean(axis=(0, 2))
    scale = 1.0 / (x.std(axis=(0, 2)) + 1e-3)
    if args.resume:
        previous = torch.load(CACHE / args.model)
        mean, scale = previous["mean"], previous["scale"]
    model = SoundNet(len(labels), mean, scale)
    if args.resume:
        model.load_state_dict(previous["model"])
    # Speech is what our users record: missing it costs more than any other label.
    label_weight = torch.ones(len(labels))
    label_weight[labels.index("speech")] = 2.0
    batch = 64
    steps_per_epoch = len(x) // batch
    opt = torch.optim.AdamW(model.parameters(), lr=1e-5, weight_decay=1e-3)
    max_lr = args.max_lr
    loss_fn = torch.nn.BCEWithLogitsLoss(reduction="none")
    rng = np.random.default_rng(args.seed)
    start = time.time()
    best = (-1.0, None)
    xv = val["x"].astype(np.float32)
    yv = val["y"]
    for epoch in range(args.epochs):
        model.train()
        order = rng.permutation(len(x))
        total = 0.0
        for s in range(steps_per_epoch):
            idx = order[s * batch:(s + 1) * batch]
            xb = torch.as_tensor(x[idx])
            # Random shifts in time and small level changes: cheap feature-side augmentation.
            shift = int(rng.integers(-8, 9))
            xb = torch.roll(xb, shift, dims=2) + float(rng.normal(0, 0.5))
            xb = mask(xb, rng)
            weight = torch.as_tensor(known[idx]) * label_weight
            loss = (loss_fn(model.logits(xb), torch.as_tensor(y[idx])) * weight).sum() / weight.sum()
            opt.zero_grad()
            loss.backward()
            opt.step()
            # Learning rate follows the time budget: a short warm-up, then a
            # cosine decay that reaches zero when the budget is spent.
            frac = min(1.0, (time.time() - start) / 60 / args.minutes)
            for group in opt.param_groups:
                group["lr"] = max_lr * min(1.0, frac / 0.05) * 0.5 * (1 + np.cos(np.pi * frac))
            total += float(loss)
        score, _ = mean_ap(model, xv, yv, val["known"])
        elapsed = (time.time() - start) / 60
        print(f"epoch {epoch + 1}: loss {total / steps_per_epoch:.4f} val mAP {score:.4f} ({elapsed:.1f} min)", flush=True)
        if score > best[0]:
            best = (score, {k: v.clone() for k, v in model.state_dict().items()})
        if elapsed >= args.minutes:
            print("time budget reached")
            break
    model.load_state_dict(best[1])
    # Fixed check windows for the C++ test: one clean validation window of each of a few labels.
    picks = []
    for name in ("speech", "music", "silence", "noise"):
        k = labels.index(name)
        hit = np.where((val["primary"] == k))[0]
        if len(hit):
            picks.append(int(hit[0]))
    torch.save({"model": best[1], "labels": labels, "mean": mean, "scale": scale, "version": args.version,
                "check_features": xv[picks]}, CACHE / args.model)
    print(f"saved: val mAP {best[0]:.4f}")


if __name__ == "__main__":
    main()
