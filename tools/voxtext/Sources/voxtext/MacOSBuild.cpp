#include "MacOSBuild.h"

#include <sys/utsname.h>

#include <cstring>

#include "platform/text/Utf8.h"

namespace voxtext {

std::string macOSBuild() {
  utsname system{};
  if (uname(&system) != 0) return "";
  // The bytes before the first NUL, with anything that is not UTF-8 replaced.
  const std::size_t length = strnlen(system.release, sizeof system.release);
  return platform::text::toValidUtf8(std::string_view(system.release, length));
}

}  // namespace voxtext
