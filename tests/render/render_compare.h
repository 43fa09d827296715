#pragma once
// Comparing the retained renderer's pictures with the immediate-mode
// reference: the share of pixels that differ, and (with QX_RENDER_DIFF_DIR
// set) both pictures and a difference image written for a look.

#include <QImage>
#include <cstdlib>
#include <string>

namespace qx::test {

// Pixels whose colour differs in any channel, as a share of all pixels. `diff`
// (when given) gets white where they differ, the reference dimmed elsewhere.
inline double DifferingShare(const QImage& reference, const QImage& other, QImage* diff = nullptr) {
  if (reference.size() != other.size()) return 1.0;
  if (diff) *diff = QImage(reference.size(), QImage::Format_RGB32);
  long differing = 0;
  for (int y = 0; y < reference.height(); ++y)
    for (int x = 0; x < reference.width(); ++x) {
      const QRgb a = reference.pixel(x, y), b = other.pixel(x, y);
      const bool same = (a & 0xffffff) == (b & 0xffffff);
      differing += !same;
      if (diff)
        diff->setPixel(x, y, same ? qRgb(qRed(a) / 4, qGreen(a) / 4, qBlue(a) / 4) : qRgb(255, 255, 255));
    }
  return double(differing) / (double(reference.width()) * reference.height());
}

inline void SaveForLook(const std::string& name, const QImage& reference, const QImage& other) {
  const char* dir = std::getenv("QX_RENDER_DIFF_DIR");
  if (!dir) return;
  QImage diff;
  DifferingShare(reference, other, &diff);
  const QString base = QString::fromStdString(std::string(dir) + "/" + name);
  reference.save(base + "_immediate.png");
  other.save(base + "_retained.png");
  diff.save(base + "_diff.png");
}

}  // namespace qx::test
