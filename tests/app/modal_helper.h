#pragma once
// Acts on a modal dialog once it is open: the code that opens it blocks, so
// the action is scheduled before and runs from the dialog's own event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace qx::test {

// Calls `act` with the first active modal widget named `name`, polling every
// 10 ms for at most `timeout_ms`.
inline void WhenModal(const QString& name, std::function<void(QWidget*)> act, int timeout_ms = 20000) {
  auto* timer = new QTimer;
  auto waited = std::make_shared<int>(0);
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, name, act = std::move(act), waited, timeout_ms] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->objectName() == name) {
      timer->stop();
      timer->deleteLater();
      act(modal);
      return;
    }
    if ((*waited += 10) > timeout_ms) {
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start();
}

}  // namespace qx::test
