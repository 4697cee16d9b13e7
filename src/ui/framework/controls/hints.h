#pragma once
// Hints: shown once the mouse has rested 500 ms on a control that has a hint
// text, hidden after 2500 ms; a control without one shows nothing.
#include <QApplication>

namespace hints {

inline constexpr int WakeUpDelay = 500;
inline constexpr int DisplayTime = 2500;

// Sets the application's hint timing. Call once, after the style is chosen.
void Install(QApplication& app);

}  // namespace hints
