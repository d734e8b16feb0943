#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Locale.h"

namespace platform::speech {

// Where Debian's pocketsphinx model packages put their files.
inline constexpr const char* kModelRoot = "/usr/share/pocketsphinx/model";

// The files pocketsphinx needs for one language.
struct ModelFiles {
  std::string acousticModel;  // a directory
  std::string languageModel;
  std::string dictionary;
};

// The locales pocketsphinx has acoustic models for, the main one of each
// language first.
const std::vector<Locale>& supportedLocales();

// The supported locale equivalent to `locale`: the same language and region,
// or else the main locale of the same language; none for other languages.
std::optional<Locale> equivalentSupportedLocale(const Locale& locale);

// The model files of a supported locale when they are all present under
// `root`, laid out as Debian lays out en-US: for the tag "xx-yy",
// xx-yy/xx-yy/ (acoustic model, with its mdef), xx-yy/xx-yy.lm.bin, and
// xx-yy/cmudict-xx-yy.dict or xx-yy/xx-yy.dict.
std::optional<ModelFiles> installedModel(const std::string& root, const Locale& locale);

// The supported locales whose model files are present under `root`.
std::vector<Locale> installedLocales(const std::string& root);

}  // namespace platform::speech
