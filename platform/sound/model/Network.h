#pragma once

#include <span>
#include <string_view>
#include <vector>

// The network that turns one window's log-mel features into label
// confidences, and the shape of its compiled-in weights.
namespace platform::sound::model {

// A 3x3 convolution (stride 1, zero padding 1) whose batch normalisation is
// folded into its weights and bias, followed by a ReLU and, when poolAfter
// is set, a 2x2 max-pool (an odd last row or column is dropped).
// Weights are laid out [out][in][3][3].
struct ConvLayer {
  int inChannels;
  int outChannels;
  bool poolAfter;
  const float* weights;
  const float* bias;
};

// A fully connected layer, weights laid out [out][in]. Every dense layer but
// the last is followed by a ReLU; the last one's outputs go through a sigmoid.
struct DenseLayer {
  int inputs;
  int outputs;
  const float* weights;
  const float* bias;
};

// One trained network. The features are first standardised per mel band
// with featureMean and featureScale (one value per band each:
// (x - mean) * scale). After the convolutions, every channel's every
// frequency row gives its mean and its maximum over time; the first dense
// layer takes all the means (channel-major, then row), then all the maxima.
struct NetworkWeights {
  const float* featureMean;
  const float* featureScale;
  std::span<const ConvLayer> convolutions;
  std::span<const DenseLayer> dense;
};

// Everything the generated weights source provides: a few networks trained
// alike from different starting points, each giving one output per label.
// A label's confidence is the mean of theirs; their errors differ more than
// their findings, so the mean ranks windows better than any one of them.
struct ModelWeights {
  std::string_view version;
  std::span<const std::string_view> labels;
  std::span<const NetworkWeights> networks;
};

// The compiled-in weights (defined by the generated SoundModelWeights.cpp).
const ModelWeights& compiledWeights();

// Runs one network on one window's features (logMelFeatures' layout) and
// returns its confidence in [0, 1] for every label.
std::vector<float> runNetwork(const NetworkWeights& weights, std::span<const float> features);

// The model's confidences for one window: the mean of its networks'.
std::vector<float> runModel(const ModelWeights& weights, std::span<const float> features);

}  // namespace platform::sound::model
