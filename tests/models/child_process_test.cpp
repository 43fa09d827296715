#include "models/child_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace qx {
namespace {

TEST(ChildProcess, HandsBackTheBytesOrFailsForACrashAHangOrTooMuch) {
  std::vector<uint8_t> out;
  std::vector<uint8_t> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  ASSERT_TRUE(RunInChildProcess([&] { return big; }, out, 10000, big.size()));
  EXPECT_EQ(out, big) << "more than a pipe holds at once arrives whole";
  ASSERT_TRUE(RunInChildProcess([] { return std::vector<uint8_t>{}; }, out, 10000, 10));
  EXPECT_TRUE(out.empty());

  out = {1, 2, 3};
  EXPECT_FALSE(RunInChildProcess([]() -> std::vector<uint8_t> { std::abort(); }, out, 10000, 10));
  EXPECT_FALSE(
      RunInChildProcess([]() -> std::vector<uint8_t> { throw std::runtime_error("x"); }, out, 10000, 10));
  EXPECT_FALSE(RunInChildProcess([&] { return big; }, out, 10000, big.size() - 1));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(RunInChildProcess(
      []() -> std::vector<uint8_t> {
        for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
      },
      out, 200, 10));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the hung child was killed";
  EXPECT_EQ(out, (std::vector<uint8_t>{1, 2, 3})) << "a failure leaves the output alone";
}

// A handler the parent has for a crash (as a fuzzer's, which writes the
// input to a file) is not run when the child aborts or crashes: the child
// ends quietly and the parent alone decides what the failure means.
int g_report_pipe = -1;
void ReportCrash(int) {
  const char byte = 1;
  (void)!write(g_report_pipe, &byte, 1);
  _exit(9);
}

TEST(ChildProcess, ParentCrashHandlersDoNotRunInTheChild) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  g_report_pipe = fds[1];
  struct sigaction handler = {}, old_abrt = {}, old_segv = {};
  handler.sa_handler = ReportCrash;
  sigaction(SIGABRT, &handler, &old_abrt);
  sigaction(SIGSEGV, &handler, &old_segv);
  std::vector<uint8_t> out;
  EXPECT_FALSE(RunInChildProcess([]() -> std::vector<uint8_t> { std::abort(); }, out, 10000, 10));
  EXPECT_FALSE(RunInChildProcess(
      []() -> std::vector<uint8_t> {
        raise(SIGSEGV);
        return {};
      },
      out, 10000, 10));
  sigaction(SIGABRT, &old_abrt, nullptr);
  sigaction(SIGSEGV, &old_segv, nullptr);
  close(fds[1]);
  char byte = 0;
  EXPECT_EQ(read(fds[0], &byte, 1), 0) << "a handler of the parent ran in the child";
  close(fds[0]);
}

}  // namespace
}  // namespace qx
