#include "DesktopEntry.h"

#include <gtest/gtest.h>

#include <fstream>

#include "platform/testing/TemporaryDirectory.h"

namespace platform::workspace {
namespace {

namespace fs = std::filesystem;
using Arguments = std::vector<std::string>;

TEST(DesktopEntryExec, ArgumentVectors) {
  const std::vector<std::pair<std::string, std::optional<Arguments>>> cases = {
      {"recorder --lazy 3 %U", Arguments{"recorder", "--lazy", "3"}},
      {"app %f %F %u %i %c %k", Arguments{"app"}},
      {"app 100%% --x=%f", Arguments{"app", "100%", "--x="}},
      {"\"/opt/My App/run\" \"a b\" \"\"", Arguments{"/opt/My App/run", "a b", ""}},
      // Inside quotes \" \` \$ \\ are escapes; the desktop-entry string escape
      // (\\ for one backslash) comes first.
      {R"("say \\"hi\\" \\$HOME \\\\ \\`x\\`")", Arguments{"say \"hi\" $HOME \\ `x`"}},
      {R"(app a\sb)", Arguments{"app", "a", "b"}},  // \s is a plain space
      {"  app   two\tthree  ", Arguments{"app", "two", "three"}},
      {"app \"open", std::nullopt},
      {"%U", std::nullopt},
      {"", std::nullopt},
      {"\"\" arg", std::nullopt},
  };
  for (const auto& [exec, expected] : cases) {
    EXPECT_EQ(parseExec(exec), expected) << exec;
  }
}

class DesktopEntryLookup : public ::testing::Test {
 protected:
  fs::path write(const fs::path& relative, const std::string& text) {
    const fs::path file = root_ / relative;
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text;
    return file;
  }

  platform::testing::TemporaryDirectory directory_{"entries"};
  const fs::path& root_ = directory_.path();
};

TEST_F(DesktopEntryLookup, FirstDataDirectoryWithTheIdDecides) {
  const std::string entry = "[Desktop Entry]\nType=Application\nExec=recorder %U\n";
  const fs::path home = root_ / "home", system = root_ / "system";
  const auto inSystem = write("system/applications/com.example.App.desktop", entry);
  const auto nested = write("system/applications/org/example-Tool.desktop", entry);
  write("home/applications/org.gone.App.desktop", "[Desktop Entry]\nHidden=true\n");
  write("system/applications/org.gone.App.desktop", entry);

  const std::vector<fs::path> dirs{home, system};
  EXPECT_EQ(findDesktopEntry("com.example.App", dirs), inSystem);
  EXPECT_EQ(findDesktopEntry("org-example-Tool", dirs), nested);
  EXPECT_EQ(findDesktopEntry("org.gone.App", dirs), std::nullopt);  // deleted for this user
  for (const std::string bad : {"", "../system/applications/com.example.App", ".hidden", "a/b"}) {
    EXPECT_EQ(findDesktopEntry(bad, dirs), std::nullopt) << bad;
  }
}

TEST_F(DesktopEntryLookup, ReadsOnlyTheDesktopEntryGroup) {
  const auto file = write("x.desktop",
                          "# comment\n[Desktop Action new]\nExec=wrong\n"
                          "[Desktop Entry]\r\nType = Application\r\nExec=  right --go\r\n"
                          "Exec=second\nHidden=false\n");
  const auto entry = readDesktopEntry(file);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->type, "Application");
  EXPECT_EQ(entry->exec, "right --go");
  EXPECT_FALSE(entry->hidden);
  EXPECT_EQ(readDesktopEntry(write("y.desktop", "Exec=x\n")), std::nullopt);
  EXPECT_EQ(readDesktopEntry(root_ / "missing.desktop"), std::nullopt);
}

TEST(DesktopEntryDirectories, XdgDefaultsAndRelativePathsIgnored) {
  using Paths = std::vector<fs::path>;
  EXPECT_EQ(dataDirectories(nullptr, "/home/u", nullptr),
            (Paths{"/home/u/.local/share", "/usr/local/share", "/usr/share"}));
  EXPECT_EQ(dataDirectories("/d", "/home/u", "/a::relative:/b"), (Paths{"/d", "/a", "/b"}));
  EXPECT_EQ(dataDirectories("relative", nullptr, ""), (Paths{"/usr/local/share", "/usr/share"}));
}

TEST(DesktopEntryProgram, SearchesPathForBareNames) {
  EXPECT_EQ(resolveProgram("sh", "/nonexistent:/bin"), "/bin/sh");
  EXPECT_EQ(resolveProgram("./tool", "/bin"), "./tool");
  EXPECT_EQ(resolveProgram("no-such-program-here", "/bin:/usr/bin"), std::nullopt);
}

}  // namespace
}  // namespace platform::workspace
