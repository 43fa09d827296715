#include "lighting/time_left.h"

#include <cmath>

namespace qx {

namespace {
constexpr double kMinElapsed = 0.5;    // seconds: the first moments say little about the pace
constexpr double kMinFraction = 0.02;  // nor does the first fiftieth of the work
}  // namespace

std::optional<double> SecondsLeft(double elapsed_seconds, double done_fraction) {
  if (!(elapsed_seconds >= kMinElapsed) || !(done_fraction >= kMinFraction) ||
      !std::isfinite(elapsed_seconds))
    return std::nullopt;
  if (done_fraction >= 1) return 0.0;
  return elapsed_seconds * (1 - done_fraction) / done_fraction;
}

std::string TimeLeftText(double seconds) {
  if (!(seconds < 59.5)) {
    const double minutes = std::round(seconds / 60);
    if (minutes < 90) return "noch etwa " + std::to_string(static_cast<long>(minutes)) + " min";
    const double hours = std::round(seconds / 3600);
    if (!(hours < 1e9)) return "noch etwa " + std::to_string(1000000000L) + " h";
    return "noch etwa " + std::to_string(static_cast<long>(hours)) + " h";
  }
  const long whole = std::lround(seconds);
  return "noch etwa " + std::to_string(whole < 1 ? 1 : whole) + " s";
}

std::string TimeLeftText(double elapsed_seconds, double done_fraction) {
  const std::optional<double> left = SecondsLeft(elapsed_seconds, done_fraction);
  return left ? TimeLeftText(*left) : std::string();
}

}  // namespace qx
