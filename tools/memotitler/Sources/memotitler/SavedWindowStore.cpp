#include "SavedWindowStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>

namespace memotitler {
namespace {

constexpr const char* kFileName = "memotitler-window.json";
// A saved window is a few dozen bytes; anything much larger is not ours.
constexpr std::size_t kMaxFileSize = 4096;

// A real directory (not a link to one) owned by the user, with no permission
// for group or others.
bool isPrivateDirectory(const std::filesystem::path& directory, unsigned userId) {
  struct stat st{};
  if (lstat(directory.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == userId && (st.st_mode & 077) == 0;
}

bool writeAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& file) {
  const int fd = open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text;
  struct stat st{};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    char buffer[kMaxFileSize + 1];
    for (;;) {
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(buffer, static_cast<std::size_t>(n));
      if (text.size() > kMaxFileSize) break;
    }
  }
  close(fd);
  if (text.empty() || text.size() > kMaxFileSize) return std::nullopt;
  return text;
}

std::optional<double> finiteNumber(const nlohmann::json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number()) return std::nullopt;
  const double value = it->get<double>();
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

bool SavedWindowStore::directoryIsPrivate() const {
  return file_ && isPrivateDirectory(file_->parent_path(), userId_);
}

std::optional<SavedWindow> SavedWindowStore::load() const {
  if (!directoryIsPrivate()) return std::nullopt;
  const auto text = readSmallFile(*file_);
  if (!text) return std::nullopt;
  const auto json = nlohmann::json::parse(*text, nullptr, /*allow_exceptions=*/false);
  if (!json.is_object()) return std::nullopt;
  const auto x = finiteNumber(json, "x");
  const auto y = finiteNumber(json, "y");
  const auto pid = json.find("pid");
  if (!x || !y || pid == json.end() || !pid->is_number_integer()) return std::nullopt;
  const auto id = pid->get<std::int64_t>();
  if (id <= 0 || id > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return SavedWindow{{*x, *y}, static_cast<std::int32_t>(id)};
}

bool SavedWindowStore::save(const SavedWindow& saved) const {
  if (!file_ || !std::isfinite(saved.position.x) || !std::isfinite(saved.position.y)) return false;
  // mkdir fails on anything already there; the check then decides whether
  // what is there can be trusted.
  mkdir(file_->parent_path().c_str(), 0700);
  if (!directoryIsPrivate()) return false;
  const nlohmann::json json = {
      {"pid", saved.processId}, {"x", saved.position.x}, {"y", saved.position.y}};
  const std::string text = json.dump() + "\n";
  std::string temporary = file_->string() + ".XXXXXX";
  // mkstemp creates the file with mode 0600 and O_EXCL: no one else's file
  // or link is ever written through.
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0 && writeAll(fd, text) && fsync(fd) == 0;
  ok = close(fd) == 0 && ok;
  ok = ok && rename(temporary.c_str(), file_->c_str()) == 0;
  if (!ok) unlink(temporary.c_str());
  return ok;
}

void SavedWindowStore::clear() const {
  if (directoryIsPrivate()) unlink(file_->c_str());
}

std::optional<std::filesystem::path> savedWindowFile(const char* runtimeDirectory,
                                                     const std::filesystem::path& tempDirectory,
                                                     unsigned userId) {
  if (runtimeDirectory != nullptr && runtimeDirectory[0] == '/' &&
      isPrivateDirectory(runtimeDirectory, userId)) {
    return std::filesystem::path(runtimeDirectory) / kFileName;
  }
  if (tempDirectory.empty()) return std::nullopt;
  return tempDirectory / ("memotitler-" + std::to_string(userId)) / kFileName;
}

}  // namespace memotitler
