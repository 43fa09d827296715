#pragma once
// How long a running computation will still take, judged from how long it
// has run and how much of it is done, and said the way the window and the
// command line show it: "noch etwa 12 s", "noch etwa 2 min".

#include <optional>
#include <string>

namespace qx {

// Seconds still to go at the average pace so far; none while too little is
// done or too little time has passed for the pace to mean anything.
std::optional<double> SecondsLeft(double elapsed_seconds, double done_fraction);

// "noch etwa 12 s" below a minute, "noch etwa 2 min" below an hour and a
// half, "noch etwa 3 h" beyond; never less than "noch etwa 1 s".
std::string TimeLeftText(double seconds);

// Both at once: empty while there is no estimate.
std::string TimeLeftText(double elapsed_seconds, double done_fraction);

}  // namespace qx
