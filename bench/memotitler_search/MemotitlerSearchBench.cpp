// Times memotitler's row search (findMatches) over the recorder test app
// showing ROWS recordings (default 500), in a private headless session, for
// each way of reading the window: bulk searches (the Collection interface and
// batched reads) and the walk element by element. Two searches, each RUNS
// times (default 5): one matching the last row and one matching nothing; both
// ways must give the same candidates. Each line gives the processor time the
// application and this process spent per search, which tells whose work a
// search waits for. Then whole memotitler runs, end to end, RUNS times each:
// "not_found" (eight searches and scrolls) and "applied" (renaming the last
// row, back and forth). APP, when given, is started with "--generate ROWS"
// instead of the recorder (bench/memotitler_search/qt-recorder.py is the same
// list in Qt).
//   build/bin/memotitler_search_bench [ROWS [RUNS [APP [ARG...]]]]
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "RowSearch.h"
#include "platform/accessibility/Accessibility.h"
#include "platform/testing/HeadlessSession.h"
#include "platform/testing/RunProgram.h"
#include "platform/workspace/Workspace.h"

namespace {

using platform::accessibility::Accessibility;
using platform::accessibility::Element;
using platform::accessibility::Value;

// The desktop's interface without its bulk search: findMatches walks (its
// batched reads stay).
class ElementByElement : public Accessibility {
 public:
  explicit ElementByElement(Accessibility& ax) : ax_(ax) {}
  bool isProcessTrusted() override { return ax_.isProcessTrusted(); }
  Element applicationElement(std::int32_t pid) override { return ax_.applicationElement(pid); }
  std::optional<Value> copyAttributeValue(const Element& e, const std::string& a) override {
    return ax_.copyAttributeValue(e, a);
  }
  std::vector<std::optional<Value>> copyAttributeValues(const std::vector<Element>& e,
                                                        const std::string& a) override {
    return ax_.copyAttributeValues(e, a);
  }
  bool setAttributeValue(const Element& e, const std::string& a, const Value& v) override {
    return ax_.setAttributeValue(e, a, v);
  }
  bool performAction(const Element& e, const std::string& a) override {
    return ax_.performAction(e, a);
  }

 private:
  Accessibility& ax_;
};

// Seconds on a processor of every thread of process `pid`, from the
// scheduler's own accounting; 0 when it cannot be read.
double cpuSecondsOf(std::int32_t pid) {
  double total = 0;
  std::error_code error;
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream stat(task.path() / "schedstat");
    double nanoseconds = 0;
    if (stat >> nanoseconds) total += nanoseconds / 1e9;
  }
  return total;
}

struct Timing {
  std::vector<double> seconds;
  double applicationCpu = 0;  // summed over the runs
  double ownCpu = 0;
  void print(const std::string& what) {
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-48s median %8.1f ms, best %8.1f ms, worst %8.1f ms (%zu runs)", what.c_str(),
                1000 * seconds[seconds.size() / 2], 1000 * seconds.front(), 1000 * seconds.back(),
                seconds.size());
    if (applicationCpu > 0) {
      std::printf("; processor per search: application %.1f ms, here %.1f ms",
                  1000 * applicationCpu / static_cast<double>(seconds.size()),
                  1000 * ownCpu / static_cast<double>(seconds.size()));
    }
    std::printf("\n");
  }
};

double secondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool sameCandidates(const std::vector<memotitler::MatchCandidate>& a,
                    const std::vector<memotitler::MatchCandidate>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (!(a[i].field == b[i].field) || a[i].button.has_value() != b[i].button.has_value() ||
        (a[i].button && !(*a[i].button == *b[i].button)) || a[i].description != b[i].description) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 500;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  if (rows < 1 || runs < 1) {
    std::fprintf(stderr, "usage: memotitler_search_bench [ROWS [RUNS [APP [ARG...]]]]\n");
    return 2;
  }
  try {
    platform::testing::HeadlessSession session;
    session.enterSession();
    std::string program = RECORDER_BIN;
    std::vector<std::string> appArguments;
    if (argc > 3) {
      program = argv[3];
      appArguments.assign(argv + 4, argv + argc);
    }
    appArguments.insert(appArguments.end(), {"--generate", std::to_string(rows)});
    session.start(program, appArguments);

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
        60);
    Element window;
    platform::testing::waitUntil(
        [&] {
          const auto windows = ax->copyAttributeValue(ax->applicationElement(pid), "AXWindows");
          const auto* list = windows ? std::get_if<std::vector<Element>>(&*windows) : nullptr;
          if (list != nullptr && !list->empty()) window = list->front();
          return static_cast<bool>(window);
        },
        60);
    if (!window) {
      std::fprintf(stderr, "the recorder did not show its window\n");
      return 1;
    }

    ElementByElement walking(*ax);
    const std::string last = "Recording " + std::to_string(rows);
    const struct {
      const char* name;
      std::string title;
      std::size_t candidates;  // the row's button and, on its own, its field
    } searches[] = {{"last row", last, 2}, {"no match", "No such recording", 0}};
    for (const auto& search : searches) {
      std::vector<memotitler::MatchCandidate> byPath[2];
      const struct {
        const char* name;
        Accessibility& reads;
      } paths[] = {{"bulk", *ax}, {"element by element", walking}};
      for (int p = 0; p < 2; ++p) {
        Timing timing;
        for (int run = 0; run < runs; ++run) {
          const double application = cpuSecondsOf(pid);
          const double own = cpuSecondsOf(getpid());
          timing.seconds.push_back(secondsOf([&] {
            byPath[p] = memotitler::findMatches(paths[p].reads, window, search.title, std::nullopt);
          }));
          timing.applicationCpu += cpuSecondsOf(pid) - application;
          timing.ownCpu += cpuSecondsOf(getpid()) - own;
          if (byPath[p].size() != search.candidates) {
            std::fprintf(stderr, "%s, %s: %zu candidates, not %zu\n", search.name, paths[p].name,
                         byPath[p].size(), search.candidates);
            return 1;
          }
        }
        timing.print(std::to_string(rows) + " rows, " + search.name + ", " + paths[p].name + ":");
      }
      if (!sameCandidates(byPath[0], byPath[1])) {
        std::fprintf(stderr, "%s: the two ways found different candidates\n", search.name);
        return 1;
      }
    }

    const auto options = session.runOptions();
    const auto run = [&](const std::vector<std::string>& arguments, const std::string& result) {
      platform::testing::ProgramRun outcome;
      const double took = secondsOf(
          [&] { outcome = platform::testing::runProgram(MEMOTITLER_BIN, arguments, options); });
      if (outcome.out.find("\"result\":\"" + result + "\"") == std::string::npos) {
        throw std::runtime_error("memotitler --find " + arguments[1] + ": " + outcome.out +
                                 outcome.err);
      }
      return took;
    };
    Timing notFound, applied;
    const std::string renamed = "Renamed " + std::to_string(rows);
    for (int i = 0; i < runs; ++i) {
      notFound.seconds.push_back(
          run({"--find", "No such recording", "--new-title", "x", "--duration", "1"}, "not_found"));
      const bool back = i % 2 == 1;
      applied.seconds.push_back(run({"--find", back ? renamed : last, "--new-title",
                                     back ? last : renamed, "--duration", std::to_string(rows)},
                                    "applied"));
    }
    notFound.print("whole run, not_found over " + std::to_string(rows) + " rows:");
    applied.print("whole run, applied on the last of " + std::to_string(rows) + " rows:");
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench: %s\n", e.what());
    return 1;
  }
}
