#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace platform::testing {

// A fresh directory under /tmp, removed with everything in it at the end of
// the scope.
class TempDirectory {
 public:
  TempDirectory() {
    char pattern[] = "/tmp/voicetools-test-XXXXXX";
    if (mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~TempDirectory() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDirectory(const TempDirectory&) = delete;
  TempDirectory& operator=(const TempDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

  // Writes `content` to the file `name` in the directory and gives its path.
  std::string write(const std::string& name, const std::string& content) const {
    std::ofstream(path_ / name, std::ios::binary) << content;
    return *this / name;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace platform::testing
