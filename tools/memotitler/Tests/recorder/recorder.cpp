// A small GTK 3 stand-in for Voice Memos, used as test equipment: one window
// titled "Voice Memos" with a scrolled list of recordings. Each row shows to
// the accessibility bus as a push button described "<title>, <date>,
// <duration>" whose child text field holds the title; activating the field
// commits its text as the recording's new title.
//
// Options:
//   --recording TITLE DATE DURATION   a recording (repeatable, in list order)
//   --generate N                      N more recordings "Recording 1".."Recording N"
//   --lazy BATCH                      show BATCH rows; each scroll step shows BATCH more
//   --stubborn                        the title fields ignore edits
//   --window-delay SECONDS            run without a window for this long first
//   --position X Y                    where the window starts
//   --report FILE                     keep FILE up to date with titles, position, and the
//                                     events seen: "scroll" (the list moved down), "focus
//                                     <title>" (a title field is given the focus), "commit <title>"
//   --app-id ID                       application id (default com.apple.VoiceMemos)
//   --install-desktop-entry DATADIR   write DATADIR/applications/<id>.desktop that starts
//                                     this program with the other options, and exit
#include <gtk/gtk.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace {

struct Recording {
  std::string title;
  std::string date;
  std::string duration;
};

struct Options {
  std::vector<Recording> recordings;
  int lazyBatch = 0;
  bool stubborn = false;
  double windowDelay = 0;
  int x = 40;
  int y = 60;
  std::string report;
  std::string appId = "com.apple.VoiceMemos";
  std::string desktopEntryDir;
  std::vector<std::string> passOn;  // options for the program a desktop entry starts
};

struct Row {
  Recording recording;
  GtkWidget* box = nullptr;
  GtkWidget* entry = nullptr;
};

struct Recorder {
  Options options;
  GtkApplication* app = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* list = nullptr;
  std::vector<Row> rows;  // all recordings; only the first `shown` have widgets
  std::size_t shown = 0;
  double lastValue = 0;
  std::vector<std::string> events;
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto need = [&](int n) { return i + n < argc; };
    std::vector<std::string> taken{a};
    if (a == "--recording" && need(3)) {
      options.recordings.push_back({argv[i + 1], argv[i + 2], argv[i + 3]});
      taken.insert(taken.end(), {argv[i + 1], argv[i + 2], argv[i + 3]});
      i += 3;
    } else if (a == "--generate" && need(1)) {
      const int n = std::atoi(argv[++i]);
      taken.push_back(argv[i]);
      for (int k = 1; k <= n; ++k) {
        options.recordings.push_back(
            {"Recording " + std::to_string(k), "2026-01-01", std::to_string(k) + " sec"});
      }
    } else if (a == "--lazy" && need(1)) {
      options.lazyBatch = std::atoi(argv[++i]);
      taken.push_back(argv[i]);
    } else if (a == "--stubborn") {
      options.stubborn = true;
    } else if (a == "--window-delay" && need(1)) {
      options.windowDelay = std::atof(argv[++i]);
      taken.push_back(argv[i]);
    } else if (a == "--position" && need(2)) {
      options.x = std::atoi(argv[i + 1]);
      options.y = std::atoi(argv[i + 2]);
      taken.insert(taken.end(), {argv[i + 1], argv[i + 2]});
      i += 2;
    } else if (a == "--report" && need(1)) {
      options.report = argv[++i];
      taken.push_back(argv[i]);
    } else if (a == "--app-id" && need(1)) {
      options.appId = argv[++i];
      taken.push_back(argv[i]);
    } else if (a == "--install-desktop-entry" && need(1)) {
      options.desktopEntryDir = argv[++i];
      continue;
    } else {
      std::fprintf(stderr, "recorder: bad argument %s\n", a.c_str());
      return false;
    }
    options.passOn.insert(options.passOn.end(), taken.begin(), taken.end());
  }
  return true;
}

// One Exec argument: quoted, with the characters that quoting reserves
// escaped; then escaped once more as a desktop-entry string value.
std::string execArgument(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string value;
  for (char c : quoted) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

int installDesktopEntry(const Options& options) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::path(options.desktopEntryDir) / "applications";
  fs::create_directories(dir);
  std::string exec = execArgument(fs::read_symlink("/proc/self/exe").string());
  for (const auto& a : options.passOn) exec += " " + execArgument(a);
  std::ofstream out(dir / (options.appId + ".desktop"));
  out << "[Desktop Entry]\nType=Application\nName=Voice Memos\nExec=" << exec << " %U\n";
  return out.good() ? 0 : 1;
}

void writeReport(Recorder& r) {
  if (r.options.report.empty()) return;
  nlohmann::json report;
  report["pid"] = getpid();
  report["shownRows"] = r.shown;
  nlohmann::json titles = nlohmann::json::array();
  for (const auto& row : r.rows) titles.push_back(row.recording.title);
  report["titles"] = titles;
  report["events"] = r.events;
  if (r.window != nullptr && gtk_widget_get_window(r.window) != nullptr) {
    int x = 0, y = 0;
    gdk_window_get_origin(gtk_widget_get_window(r.window), &x, &y);
    report["position"] = {x, y};
  }
  const std::string temp = r.options.report + ".tmp";
  {
    std::ofstream out(temp);
    out << report.dump() << "\n";
  }
  std::rename(temp.c_str(), r.options.report.c_str());
}

std::string describe(const Recording& recording) {
  return recording.title + ", " + recording.date + ", " + recording.duration;
}

struct RowRef {
  Recorder* recorder;
  std::size_t index;
};

void onFieldActivated(GtkEntry* entry, gpointer data) {
  auto* ref = static_cast<RowRef*>(data);
  Row& row = ref->recorder->rows[ref->index];
  row.recording.title = gtk_entry_get_text(entry);
  ref->recorder->events.push_back("commit " + row.recording.title);
  atk_object_set_description(gtk_widget_get_accessible(row.box), describe(row.recording).c_str());
  writeReport(*ref->recorder);
}

// Runs before GTK moves the focus, and so before the list scrolls the field
// into view.
void onFieldFocused(GtkWidget*, gpointer data) {
  auto* ref = static_cast<RowRef*>(data);
  ref->recorder->events.push_back("focus " + ref->recorder->rows[ref->index].recording.title);
  writeReport(*ref->recorder);
}

void showRow(Recorder& r, std::size_t index) {
  Row& row = r.rows[index];
  row.box = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  row.entry = gtk_entry_new();
  gtk_entry_set_text(GTK_ENTRY(row.entry), row.recording.title.c_str());
  gtk_editable_set_editable(GTK_EDITABLE(row.entry), !r.options.stubborn);
  g_signal_connect_data(row.entry, "activate", G_CALLBACK(onFieldActivated),
                        new RowRef{&r, index},
                        [](gpointer data, GClosure*) { delete static_cast<RowRef*>(data); },
                        GConnectFlags{});
  g_signal_connect_data(row.entry, "grab-focus", G_CALLBACK(onFieldFocused),
                        new RowRef{&r, index},
                        [](gpointer data, GClosure*) { delete static_cast<RowRef*>(data); },
                        GConnectFlags{});
  gtk_box_pack_start(GTK_BOX(row.box), row.entry, TRUE, TRUE, 0);
  const std::string detail = row.recording.date + "  " + row.recording.duration;
  gtk_box_pack_start(GTK_BOX(row.box), gtk_label_new(detail.c_str()), FALSE, FALSE, 0);
  AtkObject* accessible = gtk_widget_get_accessible(row.box);
  atk_object_set_role(accessible, ATK_ROLE_PUSH_BUTTON);
  atk_object_set_description(accessible, describe(row.recording).c_str());
  gtk_box_pack_start(GTK_BOX(r.list), row.box, FALSE, FALSE, 0);
  gtk_widget_show_all(row.box);
}

void showMoreRows(Recorder& r) {
  const std::size_t batch = r.options.lazyBatch > 0 ? static_cast<std::size_t>(r.options.lazyBatch)
                                                     : r.rows.size();
  const std::size_t until = std::min(r.rows.size(), r.shown + batch);
  for (; r.shown < until; ++r.shown) showRow(r, r.shown);
}

void onScrolled(GtkAdjustment* adjustment, gpointer data) {
  auto& r = *static_cast<Recorder*>(data);
  const double value = gtk_adjustment_get_value(adjustment);
  if (value > r.lastValue) {
    r.events.push_back("scroll");
    if (r.options.lazyBatch > 0) showMoreRows(r);
  }
  r.lastValue = value;
  writeReport(r);
}

gboolean onConfigured(GtkWidget*, GdkEvent*, gpointer data) {
  writeReport(*static_cast<Recorder*>(data));
  return FALSE;
}

gboolean buildWindow(gpointer data) {
  auto& r = *static_cast<Recorder*>(data);
  r.window = gtk_application_window_new(r.app);
  gtk_window_set_title(GTK_WINDOW(r.window), "Voice Memos");
  gtk_window_set_default_size(GTK_WINDOW(r.window), 360, 240);
  gtk_window_move(GTK_WINDOW(r.window), r.options.x, r.options.y);

  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 4);
  gtk_box_pack_start(GTK_BOX(box), gtk_label_new("All Recordings"), FALSE, FALSE, 0);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_NEVER,
                                 GTK_POLICY_ALWAYS);
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scrolled), FALSE);
  r.list = gtk_box_new(GTK_ORIENTATION_VERTICAL, 2);
  gtk_container_add(GTK_CONTAINER(scrolled), r.list);
  gtk_box_pack_start(GTK_BOX(box), scrolled, TRUE, TRUE, 0);
  gtk_container_add(GTK_CONTAINER(r.window), box);
  showMoreRows(r);

  GtkAdjustment* adjustment = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(scrolled));
  g_signal_connect(adjustment, "value-changed", G_CALLBACK(onScrolled), &r);
  g_signal_connect(r.window, "configure-event", G_CALLBACK(onConfigured), &r);
  gtk_widget_show_all(r.window);
  if (r.options.windowDelay > 0) g_application_release(G_APPLICATION(r.app));
  writeReport(r);
  return G_SOURCE_REMOVE;
}

void onActivate(GtkApplication*, gpointer data) {
  auto& r = *static_cast<Recorder*>(data);
  if (r.window != nullptr) return;
  if (r.options.windowDelay > 0) {
    g_application_hold(G_APPLICATION(r.app));
    writeReport(r);
    g_timeout_add(static_cast<guint>(r.options.windowDelay * 1000), buildWindow, &r);
  } else {
    buildWindow(&r);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Recorder r;
  if (!parseOptions(argc, argv, r.options)) return 2;
  if (!r.options.desktopEntryDir.empty()) return installDesktopEntry(r.options);
  for (const auto& recording : r.options.recordings) r.rows.push_back({recording});

  g_set_application_name("Voice Memos");
  r.app = gtk_application_new(r.options.appId.c_str(), G_APPLICATION_DEFAULT_FLAGS);
  g_signal_connect(r.app, "activate", G_CALLBACK(onActivate), &r);
  char* noArguments[] = {argv[0], nullptr};
  const int status = g_application_run(G_APPLICATION(r.app), 1, noArguments);
  g_object_unref(r.app);
  return status;
}
