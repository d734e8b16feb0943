#include "AtspiWorkspace.h"

#include <cstdlib>
#include <filesystem>

#include "DesktopEntry.h"
#include "platform/accessibility/AtspiBus.h"
#include "platform/accessibility/AtspiElement.h"

namespace platform::workspace {
namespace {

namespace fs = std::filesystem;

GVariant* callBusDaemon(GDBusConnection* bus, const char* method, GVariant* arguments,
                        const char* replyType) {
  GError* error = nullptr;
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
      arguments, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, accessibility::kBusCallMilliseconds, nullptr,
      &error);
  if (error != nullptr) g_error_free(error);
  return reply;
}

// The desktop-file id a desktop entry was found under: its file name
// without ".desktop" (a subdirectory form counts by its last part only).
std::string desktopId(const std::string& location) {
  std::string name = fs::path(location).filename().string();
  const std::string suffix = ".desktop";
  if (name.size() > suffix.size() && name.ends_with(suffix)) name.resize(name.size() - suffix.size());
  return name;
}

}  // namespace

std::map<std::int32_t, std::string> sessionBusApplicationIds() {
  std::map<std::int32_t, std::string> ids;
  GDBusConnection* bus = accessibility::sessionBus();
  if (bus == nullptr) return ids;
  GVariant* names = callBusDaemon(bus, "ListNames", nullptr, "(as)");
  if (names == nullptr) return ids;
  GVariantIter* iterator = nullptr;
  g_variant_get(names, "(as)", &iterator);
  const gchar* name = nullptr;
  while (g_variant_iter_loop(iterator, "&s", &name)) {
    if (name[0] == ':' || g_str_equal(name, "org.freedesktop.DBus")) continue;
    GVariant* owner = callBusDaemon(bus, "GetConnectionUnixProcessID", g_variant_new("(s)", name),
                                    "(u)");
    if (owner == nullptr) continue;
    guint32 pid = 0;
    g_variant_get(owner, "(u)", &pid);
    g_variant_unref(owner);
    const auto key = static_cast<std::int32_t>(pid);
    if (const auto it = ids.find(key); it == ids.end() || name < it->second) ids[key] = name;
  }
  g_variant_iter_free(iterator);
  g_variant_unref(names);
  return ids;
}

std::vector<RunningApplication> AtspiWorkspace::runningApplications() {
  std::vector<RunningApplication> running;
  const auto applications = accessibility::desktopApplications();
  if (applications.empty()) return running;
  const auto ids = sessionBusApplicationIds();
  for (const auto& application : applications) {
    const auto pid = accessibility::processIdOf(application);
    if (!pid) continue;
    RunningApplication entry;
    entry.processIdentifier = *pid;
    auto name = accessibility::textProperty(application, "Name");
    if (name && !name->empty()) entry.localizedName = std::move(name);
    if (const auto it = ids.find(*pid); it != ids.end()) entry.bundleIdentifier = it->second;
    running.push_back(std::move(entry));
  }
  return running;
}

std::optional<std::string> AtspiWorkspace::applicationLocation(const std::string& bundleIdentifier) {
  const auto directories = dataDirectories(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"),
                                           std::getenv("XDG_DATA_DIRS"));
  const auto entry = findDesktopEntry(bundleIdentifier, directories);
  if (!entry) return std::nullopt;
  return entry->string();
}

bool AtspiWorkspace::isRunning(const std::string& applicationId) {
  for (const auto& application : runningApplications()) {
    if (application.bundleIdentifier == applicationId) return true;
  }
  return false;
}

void AtspiWorkspace::openApplication(const std::string& location,
                                     const OpenConfiguration& configuration) {
  const auto entry = readDesktopEntry(location);
  if (!entry || entry->hidden || !entry->exec) return;
  if (!entry->type.empty() && entry->type != "Application") return;
  auto command = parseExec(*entry->exec);
  if (!command) return;
  const auto program = resolveProgram(command->front(), std::getenv("PATH"));
  if (!program) return;

  const std::string id = desktopId(location);
  if (!configuration.createsNewApplicationInstance && isRunning(id)) return;
  command->erase(command->begin());
  if (!process_.startDetached(*program, *command)) return;
  for (int poll = 0; poll < kLaunchPolls && !isRunning(id); ++poll) {
    sleeper_.sleepFor(kLaunchPollSeconds);
  }
}

}  // namespace platform::workspace
