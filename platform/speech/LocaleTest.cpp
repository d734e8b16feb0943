#include "platform/speech/Locale.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/speech/ModelCatalogue.h"
#include "platform/testing/TemporaryDirectory.h"

namespace platform::speech {
namespace {

TEST(CurrentLocale, FollowsThePosixOrderOfPreference) {
  struct Case {
    const char* lcAll;
    const char* lcMessages;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {nullptr, nullptr, nullptr, "en-US"},
      {"", "", "", "en-US"},
      {"C", nullptr, "de_DE.UTF-8", "en-US"},  // LC_ALL wins, and C is American English
      {"POSIX", nullptr, nullptr, "en-US"},
      {"C.UTF-8", nullptr, nullptr, "en-US"},
      {nullptr, nullptr, "de_DE.UTF-8@euro", "de-DE"},
      {"", "", "de_DE.UTF-8@euro", "de-DE"},  // empty counts as unset
      {nullptr, "fr_CA.UTF-8", "de_DE.UTF-8", "fr-CA"},
      {"pt_BR", "fr_CA", "de_DE", "pt-BR"},
      {nullptr, nullptr, "ja", "ja"},
      {nullptr, nullptr, "sr_RS@latin", "sr-RS"},
      {nullptr, nullptr, "not a locale!", "und"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(identifier(currentLocaleFrom(c.lcAll, c.lcMessages, c.lang)), c.expected)
        << (c.lcAll ? c.lcAll : "-") << " " << (c.lcMessages ? c.lcMessages : "-") << " "
        << (c.lang ? c.lang : "-");
  }
}

TEST(SupportedLocale, SameRegionOrElseTheLanguagesMainLocale) {
  const std::pair<Locale, std::optional<std::string>> cases[] = {
      {{"en", "US"}, "en-US"}, {{"en", "GB"}, "en-US"}, {{"en", ""}, "en-US"},
      {{"en", "IN"}, "en-IN"}, {{"de", "AT"}, "de-DE"}, {{"ja", "JP"}, std::nullopt},
      {{"und", ""}, std::nullopt},
  };
  for (const auto& [locale, expected] : cases) {
    const auto supported = equivalentSupportedLocale(locale);
    EXPECT_EQ(supported ? std::optional(identifier(*supported)) : std::nullopt, expected)
        << identifier(locale);
  }
}

TEST(InstalledLocales, AreThoseWithEveryModelFilePresent) {
  namespace fs = std::filesystem;
  const testing::TemporaryDirectory models;
  const fs::path& root = models.path();
  const auto touch = [&](const fs::path& relative) {
    fs::create_directories((root / relative).parent_path());
    std::ofstream(root / relative) << "x";
  };
  touch("en-us/en-us/mdef");
  touch("en-us/en-us.lm.bin");
  touch("en-us/cmudict-en-us.dict");
  touch("fr-fr/fr-fr/mdef");
  touch("fr-fr/fr-fr.lm.bin");
  touch("fr-fr/fr-fr.dict");
  touch("de-de/de-de/mdef");  // no language model, no dictionary
  touch("de-de/de-de.dict");
  touch("xx-yy/xx-yy/mdef");  // not a language pocketsphinx has models for
  touch("xx-yy/xx-yy.lm.bin");
  touch("xx-yy/xx-yy.dict");

  EXPECT_EQ(installedLocales(root.string()), (std::vector<Locale>{{"en", "US"}, {"fr", "FR"}}));
  const auto english = installedModel(root.string(), {"en", "US"});
  ASSERT_TRUE(english);
  EXPECT_EQ(english->acousticModel, (root / "en-us/en-us").string());
  EXPECT_EQ(english->dictionary, (root / "en-us/cmudict-en-us.dict").string());
  EXPECT_TRUE(installedLocales((root / "nowhere").string()).empty());
}

}  // namespace
}  // namespace platform::speech
