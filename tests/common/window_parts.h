#pragma once
// The main window's components and actions, found by the object names the
// stored layout gives them, as tests reach the window from outside.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QtTest>

#include "ui/framework/controls/checkbox.h"
#include "ui/framework/controls/fontsizecombobox.h"
#include "ui/framework/controls/splitter.h"
#include "ui/framework/panes/memo.h"
#include "ui/tfmain.h"

template <class T>
T* Named(const QObject& window, const char* name) {
  T* found = window.findChild<T*>(QLatin1String(name));
  if (!found) qFatal("the window has no %s", name);
  return found;
}

struct WindowParts {
  explicit WindowParts(const TFMain& w)
      : Panel1(Named<QWidget>(w, "Panel1")),
        Panel2(Named<QWidget>(w, "Panel2")),
        ToolBar1(Named<QToolBar>(w, "ToolBar1")),
        ToolBar2(Named<QToolBar>(w, "ToolBar2")),
        MemoText(Named<TMemo>(w, "MemoText")),
        MemoCode(Named<TMemo>(w, "MemoCode")),
        Splitter1(Named<TSplitter>(w, "Splitter1")),
        CheckNum(Named<TLMDCheckBox>(w, "CheckNum")),
        LMDFontSizeComboBox1(Named<TLMDFontSizeComboBox>(w, "LMDFontSizeComboBox1")),
        Open(Named<QAction>(w, "Open")),
        Exit(Named<QAction>(w, "Exit")),
        Coder(Named<QAction>(w, "Coder")),
        SelectAll(Named<QAction>(w, "SelectAll")),
        Reset(Named<QAction>(w, "Reset")),
        Coller(Named<QAction>(w, "Coller")),
        Copier(Named<QAction>(w, "Copier")),
        Save(Named<QAction>(w, "Save")),
        Aide(Named<QAction>(w, "Aide")),
        Propos(Named<QAction>(w, "Propos")) {}

  QWidget* Panel1;
  QWidget* Panel2;
  QToolBar* ToolBar1;
  QToolBar* ToolBar2;
  TMemo* MemoText;
  TMemo* MemoCode;
  TSplitter* Splitter1;
  TLMDCheckBox* CheckNum;
  TLMDFontSizeComboBox* LMDFontSizeComboBox1;
  QAction* Open;
  QAction* Exit;
  QAction* Coder;
  QAction* SelectAll;
  QAction* Reset;
  QAction* Coller;
  QAction* Copier;
  QAction* Save;
  QAction* Aide;
  QAction* Propos;
};
