#include "AtspiWorkspace.h"
#include "Workspace.h"

namespace platform::workspace {
namespace {

struct MachineServices {
  process::RealProcessLauncher process;
  time::RealSleeper sleeper;
};

// The workspace with this machine's own process and pause services (the
// services are constructed first, as the first base).
class SystemWorkspace : private MachineServices, public AtspiWorkspace {
 public:
  SystemWorkspace() : AtspiWorkspace(process, sleeper) {}
};

}  // namespace

std::unique_ptr<Workspace> makeSystemWorkspace() { return std::make_unique<SystemWorkspace>(); }

}  // namespace platform::workspace
