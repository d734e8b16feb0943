#include "platform/sound/model/Network.h"

#include "platform/sound/model/LogMel.h"

#include <algorithm>
#include <cmath>

namespace platform::sound::model {
namespace {

// Feature maps are kept with a zero border of one cell (for the 3x3
// convolutions' padding) and two spare cells at the end, so that a
// convolution can sweep each channel as one contiguous run.
struct Maps {
  int channels = 0;
  int height = 0;
  int width = 0;
  std::vector<float> data;

  int stride() const { return width + 2; }
  std::size_t plane() const { return static_cast<std::size_t>(height + 2) * stride() + 2; }
  void reset(int c, int h, int w) {
    channels = c;
    height = h;
    width = w;
    data.assign(plane() * static_cast<std::size_t>(c), 0.0f);
  }
  float* channel(int c) { return data.data() + plane() * static_cast<std::size_t>(c); }
  const float* channel(int c) const { return data.data() + plane() * static_cast<std::size_t>(c); }
};

// ThreadSanitizer builds take one version: the loader calls the chooser
// before the sanitizer's runtime is up, and an instrumented chooser crashes.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && !defined(__SANITIZE_THREAD__)
// Built twice: for AVX2 machines and for any x86-64; chosen at load time.
#define VOICETOOLS_VECTOR_CLONES [[gnu::target_clones("arch=x86-64-v3", "default")]]
#else
#define VOICETOOLS_VECTOR_CLONES
#endif

// acc[i] += the 3x3 kernel k applied around src[i] (offsets locate the nine taps).
VOICETOOLS_VECTOR_CLONES
void accumulate3x3(float* __restrict acc, const float* __restrict src, const float* k,
                   const std::ptrdiff_t* offsets, std::size_t run) {
  const float k0 = k[0], k1 = k[1], k2 = k[2], k3 = k[3], k4 = k[4], k5 = k[5], k6 = k[6], k7 = k[7],
              k8 = k[8];
  const float* p0 = src + offsets[0];
  const float* p1 = src + offsets[1];
  const float* p2 = src + offsets[2];
  const float* p3 = src + offsets[3];
  const float* p4 = src + offsets[4];
  const float* p5 = src + offsets[5];
  const float* p6 = src + offsets[6];
  const float* p7 = src + offsets[7];
  const float* p8 = src + offsets[8];
  for (std::size_t i = 0; i < run; ++i) {
    acc[i] += k0 * p0[i] + k1 * p1[i] + k2 * p2[i] + k3 * p3[i] + k4 * p4[i] + k5 * p5[i] + k6 * p6[i] +
              k7 * p7[i] + k8 * p8[i];
  }
}

// One convolution, ReLU and optional pool from `in` into `out`.
void convolve(const ConvLayer& layer, const Maps& in, Maps& out, std::vector<float>& scratch) {
  const int h = in.height, w = in.width, s = in.stride();
  // The sweep computes H rows of stride s; the two cells past each row's end are
  // wrap-around garbage that the ReLU/pool step below never reads.
  const std::size_t run = static_cast<std::size_t>(h) * s;
  scratch.resize(run);
  const int outH = layer.poolAfter ? h / 2 : h;
  const int outW = layer.poolAfter ? w / 2 : w;
  out.reset(layer.outChannels, outH, outW);
  const std::ptrdiff_t offsets[9] = {0, 1, 2, s, s + 1, s + 2, 2 * s, 2 * s + 1, 2 * s + 2};
  for (int oc = 0; oc < layer.outChannels; ++oc) {
    float* __restrict acc = scratch.data();
    std::fill(acc, acc + run, layer.bias[oc]);
    for (int ic = 0; ic < layer.inChannels; ++ic) {
      const float* k = layer.weights + (static_cast<std::size_t>(oc) * layer.inChannels + ic) * 9;
      accumulate3x3(acc, in.channel(ic), k, offsets, run);
    }
    float* dst = out.channel(oc);
    const int os = out.stride();
    if (layer.poolAfter) {
      for (int y = 0; y < outH; ++y) {
        const float* r0 = acc + static_cast<std::size_t>(2 * y) * s;
        const float* r1 = r0 + s;
        for (int x = 0; x < outW; ++x) {
          const float m = std::max(std::max(r0[2 * x], r0[2 * x + 1]), std::max(r1[2 * x], r1[2 * x + 1]));
          dst[(y + 1) * os + x + 1] = std::max(m, 0.0f);
        }
      }
    } else {
      for (int y = 0; y < outH; ++y) {
        for (int x = 0; x < outW; ++x) dst[(y + 1) * os + x + 1] = std::max(acc[y * s + x], 0.0f);
      }
    }
  }
}

// Sixteen running sums side by side: one running sum would make every
// multiply-add wait for the one before, and the compiler may not reorder a
// float sum by itself.
VOICETOOLS_VECTOR_CLONES
float dot(const float* __restrict a, const float* __restrict b, int n) {
  constexpr int kLanes = 16;
  float lanes[kLanes] = {};
  int i = 0;
  for (; i + kLanes <= n; i += kLanes) {
    for (int l = 0; l < kLanes; ++l) lanes[l] += a[i + l] * b[i + l];
  }
  float sum = 0.0f;
  for (; i < n; ++i) sum += a[i] * b[i];
  for (float lane : lanes) sum += lane;
  return sum;
}

void dense(const DenseLayer& layer, const std::vector<float>& in, std::vector<float>& out) {
  out.assign(static_cast<std::size_t>(layer.outputs), 0.0f);
  for (int o = 0; o < layer.outputs; ++o) {
    const float* row = layer.weights + static_cast<std::size_t>(o) * layer.inputs;
    out[static_cast<std::size_t>(o)] = dot(row, in.data(), layer.inputs) + layer.bias[o];
  }
}

}  // namespace

std::vector<float> runNetwork(const NetworkWeights& weights, std::span<const float> features) {
  Maps a, b;
  a.reset(1, kMelBands, kFrames);
  float* input = a.channel(0);
  for (int band = 0; band < kMelBands; ++band) {
    for (int frame = 0; frame < kFrames; ++frame) {
      const std::size_t at = static_cast<std::size_t>(band) * kFrames + frame;
      const float x = at < features.size() ? features[at] : 0.0f;
      input[(band + 1) * a.stride() + frame + 1] = (x - weights.featureMean[band]) * weights.featureScale[band];
    }
  }
  std::vector<float> scratch;
  for (const ConvLayer& layer : weights.convolutions) {
    convolve(layer, a, b, scratch);
    std::swap(a, b);
  }
  // The mean and the max over time of every channel at every frequency row:
  // all the means first (channel-major, then row), then all the maxima.
  const std::size_t rows = static_cast<std::size_t>(a.channels) * static_cast<std::size_t>(a.height);
  std::vector<float> pooled(rows * 2);
  for (int c = 0; c < a.channels; ++c) {
    const float* src = a.channel(c);
    for (int y = 0; y < a.height; ++y) {
      const float* row = src + (y + 1) * a.stride() + 1;
      float sum = 0.0f, peak = -INFINITY;
      for (int x = 0; x < a.width; ++x) {
        sum += row[x];
        peak = std::max(peak, row[x]);
      }
      const std::size_t at = static_cast<std::size_t>(c) * static_cast<std::size_t>(a.height) + static_cast<std::size_t>(y);
      pooled[at] = sum / static_cast<float>(a.width);
      pooled[rows + at] = peak;
    }
  }
  std::vector<float> next;
  for (std::size_t i = 0; i < weights.dense.size(); ++i) {
    dense(weights.dense[i], pooled, next);
    const bool last = i + 1 == weights.dense.size();
    for (float& v : next) v = last ? 1.0f / (1.0f + std::exp(-v)) : std::max(v, 0.0f);
    std::swap(pooled, next);
  }
  return pooled;
}

std::vector<float> runModel(const ModelWeights& weights, std::span<const float> features) {
  std::vector<float> sum(weights.labels.size(), 0.0f);
  for (const NetworkWeights& network : weights.networks) {
    const std::vector<float> one = runNetwork(network, features);
    for (std::size_t i = 0; i < sum.size() && i < one.size(); ++i) sum[i] += one[i];
  }
  if (!weights.networks.empty()) {
    for (float& v : sum) v /= static_cast<float>(weights.networks.size());
  }
  return sum;
}

}  // namespace platform::sound::model
