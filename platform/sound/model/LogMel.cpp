#include "platform/sound/model/LogMel.h"

#include "platform/sound/model/SoundModel.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace platform::sound::model {
namespace {

constexpr int kBins = kFftSize / 2 + 1;
// Keeps the logarithm finite on digital silence; about -100 dB below a
// full-scale sine in one band.
constexpr float kEnergyFloor = 1e-10f;

double hzToMel(double hz) { return 2595.0 * std::log10(1.0 + hz / 700.0); }
double melToHz(double mel) { return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0); }

struct Tables {
  std::array<float, kFftSize> hann{};
  std::array<std::complex<float>, kFftSize / 2> twiddles{};
  std::array<int, kFftSize> bitReversed{};
  // Triangular filters: band b covers bins [firstBin[b], firstBin[b] + weights[b].size()).
  std::array<int, kMelBands> firstBin{};
  std::array<std::vector<float>, kMelBands> weights;

  Tables() {
    for (int i = 0; i < kFftSize; ++i) {
      hann[i] = static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kFftSize));
    }
    for (int i = 0; i < kFftSize / 2; ++i) {
      const double angle = -2.0 * std::numbers::pi * i / kFftSize;
      twiddles[i] = {static_cast<float>(std::cos(angle)), static_cast<float>(std::sin(angle))};
    }
    int bits = 0;
    while ((1 << bits) < kFftSize) ++bits;
    for (int i = 0; i < kFftSize; ++i) {
      int r = 0;
      for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
      bitReversed[i] = r;
    }
    const double lowMel = hzToMel(kMelLowHz);
    const double highMel = hzToMel(kMelHighHz);
    std::array<double, kMelBands + 2> edges{};
    for (int i = 0; i < kMelBands + 2; ++i) {
      edges[i] = melToHz(lowMel + (highMel - lowMel) * i / (kMelBands + 1));
    }
    const double binHz = static_cast<double>(kSampleRate) / kFftSize;
    for (int b = 0; b < kMelBands; ++b) {
      const double left = edges[b], centre = edges[b + 1], right = edges[b + 2];
      int first = -1;
      std::vector<float> w;
      for (int k = 0; k < kBins; ++k) {
        const double hz = k * binHz;
        double v = 0.0;
        if (hz > left && hz < right) {
          v = hz <= centre ? (hz - left) / (centre - left) : (right - hz) / (right - centre);
        }
        if (v > 0.0) {
          if (first < 0) first = k;
          w.resize(static_cast<std::size_t>(k - first + 1), 0.0f);
          w.back() = static_cast<float>(v);
        }
      }
      // Narrow low bands may fall between bins: give them their nearest bin.
      if (first < 0) {
        first = static_cast<int>(std::lround(centre / binHz));
        w = {1.0f};
      }
      firstBin[b] = first;
      weights[b] = std::move(w);
    }
  }
};

const Tables& tables() {
  static const Tables t;
  return t;
}

// In-place iterative radix-2 FFT over separate real and imaginary parts
// (plain arithmetic: std::complex's multiply carries NaN handling we do not need).
void fft(std::array<float, kFftSize>& re, std::array<float, kFftSize>& im, const Tables& t) {
  for (int i = 0; i < kFftSize; ++i) {
    const int j = t.bitReversed[i];
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  for (int len = 2; len <= kFftSize; len <<= 1) {
    const int half = len / 2;
    const int step = kFftSize / len;
    for (int start = 0; start < kFftSize; start += len) {
      for (int j = 0; j < half; ++j) {
        const float wr = t.twiddles[j * step].real(), wi = t.twiddles[j * step].imag();
        const int a = start + j, b = a + half;
        const float vr = re[b] * wr - im[b] * wi;
        const float vi = re[b] * wi + im[b] * wr;
        re[b] = re[a] - vr;
        im[b] = im[a] - vi;
        re[a] += vr;
        im[a] += vi;
      }
    }
  }
}

}  // namespace

std::vector<float> logMelFeatures(std::span<const float> window) {
  const Tables& t = tables();
  const std::size_t available = std::min<std::size_t>(window.size(), kWindowSamples);
  std::vector<float> features(kFeatureCount);
  std::array<float, kFftSize> re, im;
  std::array<float, kBins> evenPower{}, oddPower{};
  const auto load = [&](int frame, std::array<float, kFftSize>& into) {
    const std::size_t start = static_cast<std::size_t>(frame) * kHopSamples;
    for (int i = 0; i < kFftSize; ++i) {
      const std::size_t at = start + static_cast<std::size_t>(i);
      into[i] = frame < kFrames && at < available ? window[at] * t.hann[i] : 0.0f;
    }
  };
  const auto melBands = [&](const std::array<float, kBins>& power, int frame) {
    for (int b = 0; b < kMelBands; ++b) {
      const std::vector<float>& w = t.weights[b];
      float energy = 0.0f;
      for (std::size_t j = 0; j < w.size(); ++j) energy += w[j] * power[t.firstBin[b] + j];
      features[static_cast<std::size_t>(b) * kFrames + frame] = std::log(energy + kEnergyFloor);
    }
  };
  // Two real frames per complex transform: one as the real part, the next as
  // the imaginary part. Their spectra separate by symmetry:
  // A[k] = (Z[k] + conj Z[N-k]) / 2 and B[k] = (Z[k] - conj Z[N-k]) / 2i.
  for (int frame = 0; frame < kFrames; frame += 2) {
    load(frame, re);
    load(frame + 1, im);
    fft(re, im, t);
    for (int k = 0; k < kBins; ++k) {
      const int m = (kFftSize - k) & (kFftSize - 1);
      const float sumRe = re[k] + re[m], sumIm = im[k] - im[m];
      const float diffRe = re[k] - re[m], diffIm = im[k] + im[m];
      evenPower[k] = 0.25f * (sumRe * sumRe + sumIm * sumIm);
      oddPower[k] = 0.25f * (diffRe * diffRe + diffIm * diffIm);
    }
    melBands(evenPower, frame);
    if (frame + 1 < kFrames) melBands(oddPower, frame + 1);
  }
  return features;
}

}  // namespace platform::sound::model
