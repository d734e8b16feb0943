#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::workspace {

// Where applications are installed on this desktop: the XDG data
// directories, most important first (XDG_DATA_HOME, else ~/.local/share;
// then XDG_DATA_DIRS, else /usr/local/share and /usr/share). Arguments are
// the variables' values, null when unset.
std::vector<std::filesystem::path> dataDirectories(const char* dataHome, const char* home,
                                                   const char* dataDirs);

// The desktop entry file whose desktop-file id is `<applicationId>.desktop`:
// applications/<id>.desktop, or a subdirectory form of it ("a-b.desktop" may
// be applications/a/b.desktop), in the first data directory that has one.
// Nothing when none has it, when that entry is Hidden (deleted), or when the
// id cannot name a file (empty, a slash, a leading dot, control characters).
std::optional<std::filesystem::path> findDesktopEntry(
    const std::string& applicationId, const std::vector<std::filesystem::path>& dataDirectories);

// The keys of an entry's [Desktop Entry] group that launching needs.
struct DesktopEntry {
  std::string type;
  std::optional<std::string> exec;
  bool hidden = false;
};

// Reads a desktop entry file (at most 1 MiB). Nothing when it cannot be read
// or has no [Desktop Entry] group.
std::optional<DesktopEntry> readDesktopEntry(const std::filesystem::path& file);

// The argument vector of an Exec value: string escapes (\s \n \t \r \\)
// first, then arguments split at blanks, double quotes grouping (with \" \`
// \$ \\ inside), field codes (%f, %U, %i, ...) dropped and %% kept as one
// percent sign; an argument made only of field codes disappears. Nothing
// when the value is malformed (an open quote) or holds no program.
std::optional<std::vector<std::string>> parseExec(std::string_view value);

// The program to start for an Exec program name: a name with a slash as it
// is, any other the first executable file of that name in `searchPath`
// (PATH's value; /usr/local/bin:/usr/bin:/bin when null).
std::optional<std::string> resolveProgram(const std::string& name, const char* searchPath);

}  // namespace platform::workspace
