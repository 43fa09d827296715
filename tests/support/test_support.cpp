#include "support/test_support.h"

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace qx::test {

bool FakePrompts::Confirm(const std::string& text) {
  confirmations.push_back(text);
  if (confirm_answers.empty()) return true;
  bool a = confirm_answers.front();
  confirm_answers.pop_front();
  return a;
}

Answer FakePrompts::AskYesNoCancel(const std::string& text) {
  confirmations.push_back(text);
  if (yes_no_cancel_answers.empty()) return Answer::kYes;
  Answer a = yes_no_cancel_answers.front();
  yes_no_cancel_answers.pop_front();
  return a;
}

std::optional<std::string> FakePrompts::AskText(const std::string&, const std::string&, const std::string&) {
  if (text_answers.empty()) return std::nullopt;
  auto a = text_answers.front();
  text_answers.pop_front();
  return a;
}

std::optional<std::filesystem::path> FakePrompts::ChooseOpenFile(const FileDialog& d) {
  open_dialogs.push_back(d);
  if (open_answers.empty()) return std::nullopt;
  auto a = open_answers.front();
  open_answers.pop_front();
  return a;
}

std::optional<std::filesystem::path> FakePrompts::ChooseSaveFile(const FileDialog& d) {
  save_dialogs.push_back(d);
  if (save_answers.empty()) return std::nullopt;
  auto a = save_answers.front();
  save_answers.pop_front();
  return a;
}

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  std::random_device rd;
  path_ = std::filesystem::temp_directory_path() /
          ("qx-test-" + std::to_string(rd()) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::filesystem::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteFuzzSeed(const std::string& target, const std::string& name, const std::vector<uint8_t>& bytes) {
  const char* dir = std::getenv("QX_SEED_DIR");
  if (!dir || !*dir) return;
  const std::filesystem::path d = std::filesystem::path(dir) / target;
  std::filesystem::create_directories(d);
  WriteFileBytes(d / name, bytes);
}

}  // namespace qx::test
