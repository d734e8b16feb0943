// Times memotitler's row search (findMatches) over the recorder test app
// showing ROWS recordings (default 500), in a private headless session: one
// search for the last row, repeated RUNS times (default 5). Every element
// read is a round trip to the app over the accessibility bus.
//   build/bin/memotitler_search_bench [ROWS [RUNS]]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "RowSearch.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/testing/HeadlessSession.h"
#include "platform/workspace/Workspace.h"

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 500;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  try {
    platform::testing::HeadlessSession session;
    session.enterSession();
    session.start(RECORDER_BIN, {"--generate", std::to_string(rows)});

    const auto workspace = platform::workspace::makeSystemWorkspace();
    const auto ax = platform::accessibility::makeSystemAccessibility();
    std::int32_t pid = 0;
    platform::testing::waitUntil(
        [&] {
          for (const auto& app : workspace->runningApplications()) {
            if (app.bundleIdentifier == "com.apple.VoiceMemos") pid = app.processIdentifier;
          }
          return pid != 0;
        },
        20);
    platform::accessibility::Element window;
    platform::testing::waitUntil(
        [&] {
          const auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
          const auto* list = windows ? std::get_if<std::vector<platform::accessibility::Element>>(
                                           &*windows)
                                     : nullptr;
          if (list != nullptr && !list->empty()) window = list->front();
          return static_cast<bool>(window);
        },
        20);
    if (!window) {
      std::fprintf(stderr, "the recorder did not show its window\n");
      return 1;
    }

    const std::string title = "Recording " + std::to_string(rows);
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      const auto found = memotitler::findMatches(*ax, window, title, std::nullopt);
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      if (found.empty()) {
        std::fprintf(stderr, "%s not found\n", title.c_str());
        return 1;
      }
      seconds.push_back(took.count());
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("search over %d rows: median %.3f s, best %.3f s, worst %.3f s (%d runs)\n", rows,
                seconds[seconds.size() / 2], seconds.front(), seconds.back(), runs);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench: %s\n", e.what());
    return 1;
  }
}
