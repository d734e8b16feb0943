#include "ModelCatalogue.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace platform::speech {
namespace fs = std::filesystem;

const std::vector<Locale>& supportedLocales() {
  // The languages CMU Sphinx publishes continuous acoustic models for.
  static const std::vector<Locale> locales = {
      {"de", "DE"}, {"el", "GR"}, {"en", "US"}, {"en", "IN"}, {"es", "ES"}, {"fr", "FR"},
      {"hi", "IN"}, {"it", "IT"}, {"nl", "NL"}, {"pt", "BR"}, {"ru", "RU"}, {"zh", "CN"},
  };
  return locales;
}

std::optional<Locale> equivalentSupportedLocale(const Locale& locale) {
  const auto& all = supportedLocales();
  if (const auto exact = std::find(all.begin(), all.end(), locale); exact != all.end()) {
    return *exact;
  }
  const auto sameLanguage = std::find_if(
      all.begin(), all.end(), [&](const Locale& l) { return l.language == locale.language; });
  if (sameLanguage != all.end()) return *sameLanguage;
  return std::nullopt;
}

std::optional<ModelFiles> installedModel(const std::string& root, const Locale& locale) {
  const auto& all = supportedLocales();
  if (std::find(all.begin(), all.end(), locale) == all.end()) return std::nullopt;
  std::string tag = identifier(locale);
  std::transform(tag.begin(), tag.end(), tag.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  const fs::path dir = fs::path(root) / tag;
  std::error_code ec;
  const auto isFile = [&](const fs::path& p) { return fs::is_regular_file(p, ec); };

  ModelFiles files;
  files.acousticModel = (dir / tag).string();
  files.languageModel = (dir / (tag + ".lm.bin")).string();
  if (!isFile(dir / tag / "mdef") || !isFile(files.languageModel)) return std::nullopt;
  for (const fs::path& dictionary : {dir / ("cmudict-" + tag + ".dict"), dir / (tag + ".dict")}) {
    if (isFile(dictionary)) {
      files.dictionary = dictionary.string();
      return files;
    }
  }
  return std::nullopt;
}

std::vector<Locale> installedLocales(const std::string& root) {
  std::vector<Locale> installed;
  for (const Locale& locale : supportedLocales()) {
    if (installedModel(root, locale)) installed.push_back(locale);
  }
  return installed;
}

}  // namespace platform::speech
