#pragma once

#include <string>

namespace voxtext {

// The build string of the operating system the program runs on, reported in
// the transcript under "macOSBuild". On Linux this is the kernel release
// ("6.1.0-18-amd64"); "" when it cannot be read. Looked up on every call.
std::string macOSBuild();

}  // namespace voxtext
