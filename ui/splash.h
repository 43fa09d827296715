#pragma once
// TInit: the borderless splash window that covers the initialisation. Its
// 50 ms one-shot timer, enabled when it shows, runs the work once and closes it.

#include <QDialog>
#include <QTimer>
#include <functional>

class QLabel;

namespace qx {

inline constexpr const char* kMakerLine = "v1.0.0  ·  Korvald Software  ·  www.korvald.example";

class TInit : public QDialog {
  Q_OBJECT
 public:
  explicit TInit(QWidget* parent = nullptr);

  // Runs on the first tick, with the splash still showing.
  std::function<void(TInit&)> on_init;

  void SetStatus(const QString& text);  // shows at once
  QString Status() const;
  QTimer& Timer1() { return timer_; }

 protected:
  void showEvent(QShowEvent* event) override;  // FormShow: enables the timer
  void paintEvent(QPaintEvent* event) override;

 private:
  void Timer1Timer();

  QTimer timer_;
  QLabel* status_ = nullptr;
  QLabel* version_ = nullptr;
  bool ran_ = false;
};

}  // namespace qx
