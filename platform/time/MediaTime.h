#pragma once

#include <cstdint>
#include <limits>

namespace platform::time {

// A rational media time, value over timescale, with the validity flags that
// decide how it converts to seconds.
struct MediaTime {
  std::int64_t value = 0;
  std::int32_t timescale = 0;
  enum class Kind { Numeric, Invalid, Indefinite, PositiveInfinity, NegativeInfinity };
  Kind kind = Kind::Invalid;

  static MediaTime make(std::int64_t v, std::int32_t scale) {
    return MediaTime{v, scale, scale > 0 ? Kind::Numeric : Kind::Invalid};
  }
  static MediaTime invalid() { return MediaTime{}; }

  // Value divided by timescale; NaN for an invalid or indefinite time, an
  // infinity for an infinite one.
  double seconds() const {
    switch (kind) {
      case Kind::Numeric:
        return static_cast<double>(value) / static_cast<double>(timescale);
      case Kind::PositiveInfinity:
        return std::numeric_limits<double>::infinity();
      case Kind::NegativeInfinity:
        return -std::numeric_limits<double>::infinity();
      case Kind::Invalid:
      case Kind::Indefinite:
        break;
    }
    return std::numeric_limits<double>::quiet_NaN();
  }
};

// A start and a duration. Its end is start plus duration, in seconds.
struct MediaTimeRange {
  MediaTime start;
  MediaTime duration;

  double startSeconds() const { return start.seconds(); }
  double endSeconds() const { return start.seconds() + duration.seconds(); }
};

}  // namespace platform::time
