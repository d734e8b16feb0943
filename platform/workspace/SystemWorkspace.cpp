#include "Workspace.h"

namespace platform::workspace {
namespace {

// A machine without a desktop session to ask: nothing runs, nothing is
// installed, nothing can be opened.
class EmptyWorkspace : public Workspace {
 public:
  std::vector<RunningApplication> runningApplications() override { return {}; }
  std::optional<std::string> applicationLocation(const std::string&) override { return std::nullopt; }
  void openApplication(const std::string&, const OpenConfiguration&) override {}
};

}  // namespace

std::unique_ptr<Workspace> makeSystemWorkspace() { return std::make_unique<EmptyWorkspace>(); }

}  // namespace platform::workspace
