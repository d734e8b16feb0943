#include "DesktopEntry.h"

#include <unistd.h>

#include <fstream>

namespace platform::workspace {
namespace {

namespace fs = std::filesystem;

constexpr std::uintmax_t kMaxEntryBytes = 1u << 20;
constexpr std::size_t kMaxDashesTried = 6;

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool isUsableId(const std::string& id) {
  if (id.empty() || id.front() == '.' || id.front() == '-') return false;
  for (const unsigned char c : id) {
    if (c == '/' || c < 0x20 || c == 0x7f) return false;
  }
  return true;
}

// Every relative path whose desktop-file id is `id`.desktop: each dash may
// stand for a directory separator. The plain name comes first.
std::vector<fs::path> relativeCandidates(const std::string& id) {
  std::vector<std::size_t> dashes;
  for (std::size_t i = 0; i < id.size(); ++i) {
    if (id[i] == '-') dashes.push_back(i);
  }
  if (dashes.size() > kMaxDashesTried) dashes.clear();
  std::vector<fs::path> candidates;
  for (std::size_t mask = 0; mask < (std::size_t{1} << dashes.size()); ++mask) {
    std::string name = id;
    for (std::size_t bit = 0; bit < dashes.size(); ++bit) {
      if ((mask >> bit) & 1u) name[dashes[bit]] = '/';
    }
    candidates.emplace_back(name + ".desktop");
  }
  return candidates;
}

std::string trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

// Desktop-entry string escapes; a backslash before any other character stays
// for the Exec quoting rules to read.
std::string unescapeString(std::string_view value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    switch (value[i + 1]) {
      case 's': out += ' '; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case 'r': out += '\r'; break;
      case '\\': out += '\\'; break;
      default: out += '\\'; out += value[i + 1]; break;
    }
    ++i;
  }
  return out;
}

}  // namespace

std::vector<fs::path> dataDirectories(const char* dataHome, const char* home, const char* dataDirs) {
  std::vector<fs::path> directories;
  if (dataHome != nullptr && fs::path(dataHome).is_absolute()) {
    directories.emplace_back(dataHome);
  } else if (home != nullptr && fs::path(home).is_absolute()) {
    directories.push_back(fs::path(home) / ".local/share");
  }
  const std::string system = dataDirs != nullptr && *dataDirs != '\0' ? dataDirs
                                                                      : "/usr/local/share:/usr/share";
  for (const auto& directory : split(system, ':')) {
    if (fs::path(directory).is_absolute()) directories.emplace_back(directory);
  }
  return directories;
}

std::optional<fs::path> findDesktopEntry(const std::string& applicationId,
                                         const std::vector<fs::path>& directories) {
  if (!isUsableId(applicationId)) return std::nullopt;
  const auto candidates = relativeCandidates(applicationId);
  for (const auto& directory : directories) {
    for (const auto& candidate : candidates) {
      const fs::path file = directory / "applications" / candidate;
      std::error_code error;
      if (!fs::is_regular_file(file, error)) continue;
      // The first entry with this id decides, even when it deletes the
      // application for this user.
      const auto entry = readDesktopEntry(file);
      if (!entry || entry->hidden) return std::nullopt;
      return file;
    }
  }
  return std::nullopt;
}

std::optional<DesktopEntry> readDesktopEntry(const fs::path& file) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  if (error || size > kMaxEntryBytes) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  DesktopEntry entry;
  bool inGroup = false;
  bool sawGroup = false;
  bool sawType = false;
  bool sawHidden = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[') {
      inGroup = text == "[Desktop Entry]";
      sawGroup = sawGroup || inGroup;
      continue;
    }
    if (!inGroup) continue;
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = trimmed(std::string_view(line).substr(0, equals));
    std::string value = std::string(std::string_view(line).substr(equals + 1));
    value.erase(0, value.find_first_not_of(" \t"));
    // The first value of a key counts.
    if (key == "Type" && !sawType) {
      entry.type = value;
      sawType = true;
    } else if (key == "Exec" && !entry.exec) {
      entry.exec = value;
    } else if (key == "Hidden" && !sawHidden) {
      entry.hidden = value == "true";
      sawHidden = true;
    }
  }
  if (!sawGroup) return std::nullopt;
  return entry;
}

std::optional<std::vector<std::string>> parseExec(std::string_view value) {
  const std::string text = unescapeString(value);
  std::vector<std::string> arguments;
  std::string current;
  bool inArgument = false;  // something of an argument has been seen
  bool keep = false;        // ...that is more than field codes
  bool quoted = false;
  auto finish = [&] {
    if (keep) arguments.push_back(current);
    current.clear();
    inArgument = keep = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool hasNext = i + 1 < text.size();
    if (!quoted && (c == ' ' || c == '\t' || c == '\n')) {
      if (inArgument) finish();
      continue;
    }
    inArgument = true;
    if (c == '"') {
      quoted = !quoted;
      keep = true;  // "" is an empty argument of its own
    } else if (c == '\\' && hasNext &&
               (!quoted || std::string_view("\"`$\\").find(text[i + 1]) != std::string_view::npos)) {
      current += text[++i];
      keep = true;
    } else if (c == '%') {
      if (hasNext && text[i + 1] == '%') {
        current += '%';
        keep = true;
      }
      if (hasNext) ++i;  // a field code: dropped with its letter
    } else {
      current += c;
      keep = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inArgument) finish();
  if (arguments.empty() || arguments.front().empty()) return std::nullopt;
  return arguments;
}

std::optional<std::string> resolveProgram(const std::string& name, const char* searchPath) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) return name;
  const std::string path = searchPath != nullptr ? searchPath : "/usr/local/bin:/usr/bin:/bin";
  for (const auto& directory : split(path, ':')) {
    if (directory.empty() || directory.front() != '/') continue;
    const fs::path candidate = fs::path(directory) / name;
    std::error_code error;
    if (fs::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0) {
      return candidate.string();
    }
  }
  return std::nullopt;
}

}  // namespace platform::workspace
