#include "ui/image_list.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <array>

#include "scene/node.h"

namespace qx {

namespace {

constexpr int kSize = 16;

QPen Pen(const QColor& c, qreal w = 1.2) {
  return QPen(c, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Letter(QPainter& p, const QString& text, const QColor& c) {
  QFont f("DejaVu Sans");
  f.setPixelSize(12);
  f.setBold(true);
  p.setFont(f);
  p.setPen(c);
  p.drawText(QRect(0, 0, kSize, kSize), Qt::AlignCenter, text);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& c) {
  p.setPen(Pen(c, 1.6));
  p.drawLine(from, to);
  QLineF l(to, from);
  QLineF a = l, b = l;
  a.setLength(4);
  b.setLength(4);
  a.setAngle(l.angle() + 35);
  b.setAngle(l.angle() - 35);
  p.drawLine(a);
  p.drawLine(b);
}

void Page(QPainter& p) {
  p.setPen(Pen(QColor(90, 90, 90)));
  p.setBrush(Qt::white);
  p.drawPolygon(QPolygonF(
      {QPointF(3.5, 1.5), QPointF(10, 1.5), QPointF(13.5, 5), QPointF(13.5, 14.5), QPointF(3.5, 14.5)}));
  p.drawLine(QPointF(10, 1.5), QPointF(10, 5));
  p.drawLine(QPointF(10, 5), QPointF(13.5, 5));
}

void Disk(QPainter& p) {
  p.setPen(Pen(QColor(30, 50, 110)));
  p.setBrush(QColor(70, 110, 190));
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(4, 1.5, 8, 5));
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(4, 9.5, 8, 5));
}

void Folder(QPainter& p) {
  p.setPen(Pen(QColor(140, 100, 20)));
  p.setBrush(QColor(240, 200, 90));
  p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5.5), QPointF(14.5, 5.5),
                           QPointF(14.5, 13.5), QPointF(1.5, 13.5)}));
}

// A room: the sector icon. With the inside test switched off, a dashed outline.
void Sector(QPainter& p, bool no_inside_test) {
  QPen pen = Pen(QColor(120, 70, 20), 1.4);
  if (no_inside_test) pen.setStyle(Qt::DashLine);
  p.setPen(pen);
  p.setBrush(QColor(230, 180, 110));
  p.drawPolygon(QPolygonF(
      {QPointF(1.5, 5), QPointF(8, 1.5), QPointF(14.5, 5), QPointF(14.5, 14.5), QPointF(1.5, 14.5)}));
  p.setBrush(QColor(120, 70, 20));
  p.drawRect(QRectF(6.5, 9, 3, 5.5));
}

void Quad(QPainter& p) {
  p.setPen(Pen(QColor(30, 90, 30)));
  QLinearGradient g(0, 0, 16, 16);
  g.setColorAt(0, QColor(150, 220, 150));
  g.setColorAt(1, QColor(60, 150, 60));
  p.setBrush(g);
  p.drawPolygon(QPolygonF({QPointF(1.5, 4.5), QPointF(11.5, 1.5), QPointF(14.5, 11.5), QPointF(4.5, 14.5)}));
}

void Bulb(QPainter& p) {
  p.setPen(Pen(QColor(150, 110, 0)));
  p.setBrush(QColor(255, 225, 60));
  p.drawEllipse(QRectF(3, 1, 10, 10));
  p.setBrush(QColor(150, 150, 150));
  p.drawRect(QRectF(5.5, 11, 5, 3.5));
}

void Portal(QPainter& p) {
  p.setPen(Pen(QColor(0, 0, 120), 1.4));
  p.setBrush(QColor(60, 90, 220));
  p.drawRect(QRectF(3.5, 1.5, 9, 13));
  p.setBrush(QColor(170, 200, 255));
  p.drawRect(QRectF(5.5, 3.5, 5, 11));
}

void Particles(QPainter& p) {
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(130, 0, 130));
  const std::array<QPointF, 7> dots = {QPointF(8, 8),  QPointF(3, 4), QPointF(12, 3), QPointF(13, 12),
                                       QPointF(4, 12), QPointF(8, 2), QPointF(2, 8)};
  for (size_t i = 0; i < dots.size(); ++i) p.drawEllipse(dots[i], i == 0 ? 3.0 : 1.5, i == 0 ? 3.0 : 1.5);
}

void Model(QPainter& p) {
  p.setPen(Pen(QColor(60, 60, 60)));
  p.setBrush(QColor(180, 180, 200));
  p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(14.5, 5), QPointF(8, 8.5), QPointF(1.5, 5)}));
  p.setBrush(QColor(130, 130, 160));
  p.drawPolygon(QPolygonF({QPointF(1.5, 5), QPointF(8, 8.5), QPointF(8, 14.5), QPointF(1.5, 11)}));
  p.setBrush(QColor(90, 90, 120));
  p.drawPolygon(QPolygonF({QPointF(14.5, 5), QPointF(8, 8.5), QPointF(8, 14.5), QPointF(14.5, 11)}));
}

void Actor(QPainter& p) {
  p.setPen(Pen(QColor(0, 90, 0)));
  p.setBrush(QColor(60, 200, 60));
  p.drawEllipse(QRectF(5, 1, 6, 6));
  p.drawRoundedRect(QRectF(3.5, 7.5, 9, 7), 3, 3);
}

void Toggle(QPainter& p, const QColor& c, const QString& text) {
  p.setPen(Pen(c.darker(160)));
  p.setBrush(c);
  p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
  Letter(p, text, Qt::white);
}

void Draw(QPainter& p, int index) {
  switch (index) {
    case kImageNew:
      Page(p);
      break;
    case kImageOpen:
      Folder(p);
      break;
    case kImageSave:
      Disk(p);
      break;
    case kImageSaveAs:
      Disk(p);
      p.setPen(Pen(QColor(200, 40, 40), 2));
      p.drawLine(QPointF(9, 15), QPointF(15, 9));
      break;
    case kImageExport:
      Page(p);
      Arrow(p, QPointF(5, 10), QPointF(15, 10), QColor(200, 60, 0));
      break;
    case kImageBake:
      Bulb(p);
      p.setPen(Pen(QColor(200, 120, 0)));
      p.drawLine(QPointF(0.5, 6), QPointF(2, 6));
      p.drawLine(QPointF(14, 6), QPointF(15.5, 6));
      break;
    case kIconSector:
      Sector(p, false);
      break;
    case kIconPolygon:
      Quad(p);
      break;
    case kIconLight:
      Bulb(p);
      break;
    case kImageAxisX:
      Letter(p, "X", QColor(200, 0, 0));
      break;
    case kImageAxisY:
      Letter(p, "Y", QColor(0, 150, 0));
      break;
    case kImageAxisZ:
      Letter(p, "Z", QColor(0, 0, 200));
      break;
    case kImageMove:
      Arrow(p, QPointF(8, 8), QPointF(8, 1), Qt::black);
      Arrow(p, QPointF(8, 8), QPointF(8, 15), Qt::black);
      Arrow(p, QPointF(8, 8), QPointF(1, 8), Qt::black);
      Arrow(p, QPointF(8, 8), QPointF(15, 8), Qt::black);
      break;
    case kImageRotate:
    case kImageRotate90: {
      p.setPen(Pen(Qt::black, 1.6));
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(2, 2, 12, 12), 90 * 16, index == kImageRotate ? 270 * 16 : 180 * 16);
      const QPointF end = index == kImageRotate ? QPointF(14, 8) : QPointF(8, 14);
      Arrow(p, end + QPointF(index == kImageRotate ? 0 : 3, index == kImageRotate ? -3 : 0), end, Qt::black);
      if (index == kImageRotate90) Letter(p, "9", QColor(120, 0, 0));
      break;
    }
    case kImageParent:
      Arrow(p, QPointF(8, 15), QPointF(8, 2), QColor(0, 80, 160));
      break;
    case kImageChild:
      Arrow(p, QPointF(8, 1), QPointF(8, 14), QColor(0, 80, 160));
      break;
    case kIconPortal:
      Portal(p);
      break;
    case kIconSectorNoInsideTest:
      Sector(p, true);
      break;
    case kImageTexRotate:
      Quad(p);
      Letter(p, "R", Qt::black);
      break;
    case kImageTexMirror:
      Quad(p);
      Letter(p, "M", Qt::black);
      break;
    case kImageLightmaps:
      Toggle(p, QColor(220, 160, 0), "L");
      break;
    case kImagePortals:
      Toggle(p, QColor(40, 70, 200), "P");
      break;
    case kImageInvisible:
      Toggle(p, QColor(120, 120, 120), "U");
      break;
    case kIconParticleSystem:
      Particles(p);
      break;
    case kIconModel:
      Model(p);
      break;
    case kImageMarkers:
      Toggle(p, QColor(200, 30, 30), "M");
      break;
    case kIconActor:
      Actor(p);
      break;
    case kImagePlay: {
      p.setPen(Pen(QColor(20, 90, 20), 1));
      p.setBrush(QColor(40, 170, 40));
      const QPointF play[] = {{4, 2}, {14, 8}, {4, 14}};
      p.drawPolygon(play, 3);
      break;
    }
    default:
      break;
  }
}

}  // namespace

QPixmap ImageListPixmap(int index) {
  QPixmap pm(kSize, kSize);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  Draw(p, index);
  return pm;
}

QIcon ImageListIcon(int index) {
  static std::array<QIcon, kImageCount> cache;
  if (index < 0 || index >= kImageCount) return QIcon(ImageListPixmap(-1));
  if (cache[index].isNull()) cache[index] = QIcon(ImageListPixmap(index));
  return cache[index];
}

QPixmap DrawLogo() {
  QPixmap pm(506, 45);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient bg(0, 0, 506, 45);
  bg.setColorAt(0, QColor(20, 30, 60));
  bg.setColorAt(1, QColor(60, 90, 150));
  p.setBrush(bg);
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(0, 0, 506, 45), 6, 6);
  // A small room in perspective: the editor's subject.
  p.setPen(Pen(QColor(250, 200, 90), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(14, 8, 30, 30));
  p.drawRect(QRectF(22, 15, 14, 16));
  for (auto [a, b] :
       {std::pair{QPointF(14, 8), QPointF(22, 15)}, std::pair{QPointF(44, 8), QPointF(36, 15)},
        std::pair{QPointF(14, 38), QPointF(22, 31)}, std::pair{QPointF(44, 38), QPointF(36, 31)}})
    p.drawLine(a, b);
  QFont f("DejaVu Sans");
  f.setPixelSize(30);
  f.setBold(true);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 4);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRectF(58, 0, 300, 45), Qt::AlignVCenter | Qt::AlignLeft, "QUARVEX");
  f.setPixelSize(13);
  f.setBold(false);
  f.setLetterSpacing(QFont::AbsoluteSpacing, 1);
  p.setFont(f);
  p.setPen(QColor(200, 215, 240));
  p.drawText(QRectF(250, 0, 246, 45), Qt::AlignVCenter | Qt::AlignRight, "Level-Editor");
  return pm;
}

}  // namespace qx
