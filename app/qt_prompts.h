#pragma once
// The commands' questions and messages as Qt dialogs.

#include <QString>

#include "document/prompts.h"

class QWidget;

namespace qx {

class QtPrompts : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent = nullptr) : parent_(parent) {}
  void ShowWarning(const std::string& text) override;
  void ShowInfo(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  Answer AskYesNoCancel(const std::string& text) override;
  std::optional<std::string> AskText(const std::string& caption, const std::string& prompt,
                                     const std::string& initial) override;
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialog& d) override;
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialog& d) override;

 private:
  QWidget* parent_;
};

// "Quarvex Maps|*.qxm" -> "Quarvex Maps (*.qxm)"; a description that already
// names its pattern in brackets ("Leveldatei (*.map)|*.map") is kept as it is.
QString QtFileFilter(const std::string& filter);

}  // namespace qx
