"""The network, as trained in torch. Its C++ twin is
platform/sound/model/Network.cpp: 3x3 convolutions with batch norm, ReLU and
2x2 max-pools, then the mean and the max over time of every channel at every
remaining frequency row (so the head still knows where in the spectrum a
pattern sits: timbre and pitch range tell instruments and noises apart), two
dense layers, sigmoid outputs."""
import torch
from torch import nn

CHANNELS = [(16, True), (24, True), (48, True), (64, False)]
MEL_BANDS = 64
HIDDEN = 128
# The shipped model is the mean of networks trained alike from different
# seeds (checkpoint files in the cache, the first with seed 0).
MEMBERS = ("model.pt", "model-seed1.pt")


class SoundNet(nn.Module):
    def __init__(self, n_labels, mean, scale):
        super().__init__()
        self.register_buffer("mean", torch.as_tensor(mean, dtype=torch.float32).view(1, 1, -1, 1))
        self.register_buffer("scale", torch.as_tensor(scale, dtype=torch.float32).view(1, 1, -1, 1))
        layers, c_in = [], 1
        self.pools = []
        for c_out, pool in CHANNELS:
            layers += [nn.Conv2d(c_in, c_out, 3, padding=1, bias=False), nn.BatchNorm2d(c_out)]
            self.pools.append(pool)
            c_in = c_out
        self.convs = nn.ModuleList(layers)
        rows = MEL_BANDS >> sum(pool for _, pool in CHANNELS)
        self.hidden = nn.Linear(2 * c_in * rows, HIDDEN)
        self.dropout = nn.Dropout(0.3)
        self.out = nn.Linear(HIDDEN, n_labels)

    def logits(self, x):
        """x: [batch, mel bands, frames] log-mel features."""
        x = (x.unsqueeze(1) - self.mean) * self.scale
        for i, pool in enumerate(self.pools):
            x = torch.relu(self.convs[2 * i + 1](self.convs[2 * i](x)))
            if pool:
                x = nn.functional.max_pool2d(x, 2)
        x = x.flatten(1, 2)  # [batch, channel * row, frames]
        x = torch.cat([x.mean(dim=2), x.amax(dim=2)], dim=1)
        return self.out(self.dropout(torch.relu(self.hidden(x))))

    def forward(self, x):
        return torch.sigmoid(self.logits(x))

    def folded_convolutions(self):
        """Each convolution with its batch norm folded in: (weight, bias, pool)."""
        out = []
        for i, pool in enumerate(self.pools):
            conv, bn = self.convs[2 * i], self.convs[2 * i + 1]
            factor = bn.weight / torch.sqrt(bn.running_var + bn.eps)
            weight = conv.weight * factor.view(-1, 1, 1, 1)
            bias = bn.bias - bn.running_mean * factor
            out.append((weight.detach(), bias.detach(), pool))
        return out


def load(path):
    """A checkpoint and its network, ready to run: (state, model)."""
    state = torch.load(path)
    model = SoundNet(len(state["labels"]), state["mean"], state["scale"])
    model.load_state_dict(state["model"])
    model.eval()
    return state, model


def load_members(paths):
    """The networks that make up the model, all trained on one label list."""
    members = [load(path) for path in paths]
    if any(state["labels"] != members[0][0]["labels"] for state, _ in members):
        raise SystemExit("the networks were trained on different label lists")
    return members
