#pragma once
// WCAG 2 contrast ratio of two opaque colours, for the tests that check what a
// theme leaves readable.
#include <QColor>
#include <algorithm>
#include <cmath>

inline double ContrastRatio(QRgb a, QRgb b) {
  auto luminance = [](QRgb c) {
    auto linear = [](int v) {
      const double s = v / 255.0;
      return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(qRed(c)) + 0.7152 * linear(qGreen(c)) + 0.0722 * linear(qBlue(c));
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}
