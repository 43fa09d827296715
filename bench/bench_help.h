#pragma once
// "--help" (or "-h") anywhere on a benchmark's command line prints its usage
// to standard output and ends it before it builds or writes anything.

#include <cstdio>
#include <cstring>

namespace qx::bench {

inline bool AnswerHelp(int argc, char** argv, const char* usage) {
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(usage, stdout);
      return true;
    }
  return false;
}

}  // namespace qx::bench
