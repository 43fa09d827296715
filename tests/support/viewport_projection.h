#pragma once
// Where a world point appears in the 3D viewport, by the viewport's own
// projection (57 degrees vertical field of view), for tests that click on nodes.

#include <QPoint>
#include <QWidget>
#include <cmath>

#include "document/editor.h"

namespace qx::test {

inline QPoint ProjectToViewport(const Editor& e, const QWidget& vp, const Vector& p) {
  Vector f = VectorSubtract(e.CameraTarget, e.CameraPosition);
  VectorNormalize(f);
  Vector s = VectorCross(f, Vector{0, 1, 0});
  VectorNormalize(s);
  const Vector u = VectorCross(s, f);
  const Vector d = VectorSubtract(p, e.CameraPosition);
  const double xe = VectorDotD(s, d), ye = VectorDotD(u, d), ze = -VectorDotD(f, d);
  const double t = std::tan(57.0 / 2 * kPi / 180), aspect = double(vp.width()) / vp.height();
  const double nx = xe / (aspect * t) / -ze, ny = ye / t / -ze;
  return QPoint(qRound((nx + 1) / 2 * vp.width()), qRound((1 - ny) / 2 * vp.height()));
}

}  // namespace qx::test
