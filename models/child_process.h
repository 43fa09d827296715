#pragma once
// Runs a piece of work in a child process and hands back the bytes it made.
// For third-party parsers fed untrusted files: a parser that aborts on a
// failed assertion, crashes or hangs ends only the child, and the caller
// sees a failure instead of losing the editor and its unsaved scene.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace qx {

// Forks; the child runs `work` (standard output and error go to /dev/null),
// sends its result through a pipe and exits at once, without running exit
// handlers. True with `out` set when the child finished normally within
// `timeout_ms` and sent at most `max_bytes`; a child still running then is
// killed. The child's address space is limited to `max_memory` bytes (in
// AddressSanitizer builds, whose shadow memory needs far more, to `max_memory`
// beyond what the process has reserved already).
bool RunInChildProcess(const std::function<std::vector<uint8_t>()>& work, std::vector<uint8_t>& out,
                       int timeout_ms, size_t max_bytes, uint64_t max_memory = uint64_t(4) << 30);

}  // namespace qx
