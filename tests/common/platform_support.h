#pragma once
// What the platform the window tests run on can do. Offscreen and X11 activate
// windows and have a clipboard; a headless Wayland compositor has no seat (no
// keyboard, pointer or clipboard) and activates no window.
#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QWidget>
#include <QtTest>

inline bool OnWayland() {
  return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Makes the shown window `w` the active one, through the platform where it
// activates windows, else in Qt's own record; true once it is.
inline bool MakeActive(QWidget* w) {
  if (!OnWayland()) {
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
  }
  if (!QTest::qWaitForWindowExposed(w)) return false;
  QApplication::setActiveWindow(w);
  return QApplication::activeWindow() == w->window();
}

// Whether text put on the clipboard can be read back here.
inline bool HasClipboard() {
  QApplication::clipboard()->setText(QStringLiteral("sonde"));
  return QApplication::clipboard()->text() == QStringLiteral("sonde");
}

#define SKIP_WITHOUT_CLIPBOARD()                                                   \
  do {                                                                             \
    if (!HasClipboard()) QSKIP("no clipboard here (a compositor without a seat)"); \
  } while (false)
