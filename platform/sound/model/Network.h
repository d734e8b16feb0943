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

// Everything the generated weights source provides. The features are first
// standardised per mel band with featureMean and featureScale (one value per
// band each: (x - mean) * scale). After the convolutions, every channel's
// every frequency row gives its mean and its maximum over time; the first
// dense layer takes all the means (channel-major, then row), then all the
// maxima.
struct NetworkWeights {
  std::string_view version;
  std::span<const std::string_view> labels;
  const float* featureMean;
  const float* featureScale;
  std::span<const ConvLayer> convolutions;
  std::span<const DenseLayer> dense;
};

// The compiled-in weights (defined by the generated SoundModelWeights.cpp).
const NetworkWeights& compiledWeights();

// Runs the network on one window's features (logMelFeatures' layout) and
// returns one confidence in [0, 1] per label.
std::vector<float> runNetwork(const NetworkWeights& weights, std::span<const float> features);

}  // namespace platform::sound::model
