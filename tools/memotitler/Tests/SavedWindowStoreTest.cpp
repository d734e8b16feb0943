#include "SavedWindowStore.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <fstream>

#include "Harness.h"

namespace memotitler {
namespace {

using testing::TempDir;

void writeFile(const std::filesystem::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

TEST(SavedWindowStore, KeepsOneWindowAndTrustsNothingElse) {
  TempDir dir;
  const auto file = dir.path() / "w.json";
  SavedWindowStore store(file, getuid());
  EXPECT_FALSE(store.load());
  ASSERT_TRUE(store.save({{-12.5, 1e300}, 77}));
  EXPECT_EQ(store.load(), (SavedWindow{{-12.5, 1e300}, 77}));
  struct stat st{};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
      << "no temporary file left behind";
  EXPECT_FALSE(store.save({{std::nan(""), 0}, 77}));

  for (const std::string& text : std::vector<std::string>{"", "garbage", "[]", R"({"pid":77,"x":1})", R"({"pid":77,"x":"1","y":2})",
        R"({"pid":77,"x":1e999,"y":2})", R"({"pid":-1,"x":1,"y":2})", R"({"pid":1.5,"x":1,"y":2})",
        R"({"pid":99999999999,"x":1,"y":2})", R"({"pid":77,"x":null,"y":2})",
        R"({"pid":77,"x":1,"y":2,"pad":")" + std::string(5000, 'a') + "\"}"}) {
    writeFile(file, text);
    EXPECT_FALSE(store.load()) << text;
  }
  writeFile(file, R"({"pid":77,"x":1,"y":2,"other":true})");
  EXPECT_EQ(store.load(), (SavedWindow{{1, 2}, 77}));

  store.clear();
  EXPECT_FALSE(std::filesystem::exists(file));
  store.clear();  // nothing there: no harm
}

TEST(SavedWindowStore, RefusesPlacesOthersCouldTamperWith) {
  TempDir dir;
  // A link in place of the file is not followed.
  writeFile(dir.path() / "elsewhere", R"({"pid":77,"x":1,"y":2})");
  std::filesystem::create_symlink(dir.path() / "elsewhere", dir.path() / "w.json");
  EXPECT_FALSE(SavedWindowStore(dir.path() / "w.json", getuid()).load());

  // A directory open to others is not used, neither to read nor to write.
  const auto open = dir.path() / "open";
  std::filesystem::create_directory(open);
  chmod(open.c_str(), 0777);
  SavedWindowStore inOpen(open / "w.json", getuid());
  writeFile(open / "w.json", R"({"pid":77,"x":1,"y":2})");
  EXPECT_FALSE(inOpen.load());
  EXPECT_FALSE(inOpen.save({{1, 2}, 77}));

  // A directory of someone else's is not used either.
  SavedWindowStore notMine(dir.path() / "w.json", getuid() + 1);
  EXPECT_FALSE(notMine.save({{1, 2}, 77}));

  // A missing directory is created, closed to others.
  const auto fresh = dir.path() / "fresh";
  ASSERT_TRUE(SavedWindowStore(fresh / "w.json", getuid()).save({{1, 2}, 77}));
  struct stat st{};
  ASSERT_EQ(stat(fresh.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  EXPECT_FALSE(SavedWindowStore(std::nullopt, getuid()).save({{1, 2}, 77}));
}

TEST(SavedWindowFile, RuntimeDirectoryWhenPrivateElseTemp) {
  TempDir runtime;
  TempDir temp;
  const unsigned uid = getuid();
  const auto fallback = temp.path() / ("memotitler-" + std::to_string(uid)) / "memotitler-window.json";
  EXPECT_EQ(savedWindowFile(runtime.path().c_str(), temp.path(), uid),
            runtime.path() / "memotitler-window.json");
  EXPECT_EQ(savedWindowFile(nullptr, temp.path(), uid), fallback);
  EXPECT_EQ(savedWindowFile("", temp.path(), uid), fallback);
  EXPECT_EQ(savedWindowFile("relative", temp.path(), uid), fallback);
  EXPECT_EQ(savedWindowFile("/nonexistent", temp.path(), uid), fallback);
  chmod(runtime.path().c_str(), 0755);
  EXPECT_EQ(savedWindowFile(runtime.path().c_str(), temp.path(), uid), fallback);
  EXPECT_EQ(savedWindowFile(nullptr, "", uid), std::nullopt);
  EXPECT_FALSE(std::filesystem::exists(fallback.parent_path())) << "finding the place creates nothing";
}

}  // namespace
}  // namespace memotitler
