#include "ui/splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "ui/image_list.h"

namespace qx {

TInit::TInit(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName("Init");
  setModal(true);
  setFixedSize(518, 128);
  setCursor(Qt::WaitCursor);

  auto* logo = new QLabel(this);
  logo->setObjectName("Image1");
  logo->setPixmap(DrawLogo());
  logo->setGeometry(6, 8, 506, 45);

  status_ = new QLabel("Initialize...", this);
  status_->setObjectName("Label1");
  status_->setGeometry(12, 100, 190, 18);

  version_ = new QLabel(kMakerLine, this);
  version_->setObjectName("Label2");
  version_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QFont small = version_->font();
  small.setPixelSize(11);
  version_->setFont(small);
  version_->setGeometry(200, 100, 306, 18);

  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    move(area.center() - rect().center());
  }

  timer_.setObjectName("Timer1");
  timer_.setInterval(50);
  timer_.setSingleShot(true);
  connect(&timer_, &QTimer::timeout, this, &TInit::Timer1Timer);
}

void TInit::SetStatus(const QString& text) {
  status_->setText(text);
  status_->repaint();
}

QString TInit::Status() const {
  return status_->text();
}

void TInit::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!ran_) timer_.start();
}

void TInit::Timer1Timer() {
  timer_.stop();
  if (ran_) return;
  ran_ = true;
  if (on_init) on_init(*this);
  accept();
}

void TInit::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), QColor(236, 238, 244));
  p.setPen(QColor(70, 90, 130));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace qx
