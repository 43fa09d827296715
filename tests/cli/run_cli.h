#pragma once
// Runs the built quarvex-cli and collects its exit status and output.

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace qx::test {

struct CliResult {
  int status = -1;
  std::string out, err;
};

inline std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

#ifdef QX_CLI_PATH
inline CliResult RunCli(const TempDir& dir, const std::string& args) {
  const std::filesystem::path out = dir / ".cli-out", err = dir / ".cli-err";
  const std::string command =
      Quote(QX_CLI_PATH) + " " + args + " >" + Quote(out.string()) + " 2>" + Quote(err.string());
  const int raw = std::system(command.c_str());
  CliResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const auto o = ReadFileBytes(out), e = ReadFileBytes(err);
  r.out.assign(o.begin(), o.end());
  r.err.assign(e.begin(), e.end());
  return r;
}
#define QX_NEED_CLI()
#else
inline CliResult RunCli(const TempDir&, const std::string&) {
  return {};
}
#define QX_NEED_CLI() GTEST_SKIP() << "quarvex-cli is not built"
#endif

}  // namespace qx::test
