#include "ui/framework/controls/menu_accelerators.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <set>

namespace accelerators {

static bool Eligible(QChar c) {
  const char16_t u = c.toUpper().unicode();
  return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z');
}

QStringList Assign(const QStringList& captions) {
  std::set<char16_t> used;
  QStringList out;
  for (QString caption : captions) {
    caption.replace(QStringLiteral("&"), QStringLiteral("&&"));
    for (qsizetype i = 0; i < caption.size(); ++i) {
      const QChar c = caption.at(i);
      if (c == u'&') {
        ++i;
        continue;
      }
      if (!Eligible(c)) continue;
      const char16_t key = c.toUpper().unicode();
      if (used.count(key)) continue;
      used.insert(key);
      caption.insert(i, u'&');
      break;
    }
    out << caption;
  }
  return out;
}

static void ApplyTo(const QList<QAction*>& actions) {
  QStringList captions;
  QList<QAction*> visible;
  for (QAction* a : actions) {
    if (a->isSeparator() || !a->isVisible()) continue;
    QString plain = a->text();
    plain.remove(u'&');
    captions << plain;
    visible << a;
  }
  const QStringList marked = Assign(captions);
  for (qsizetype i = 0; i < visible.size(); ++i) visible[i]->setText(marked[i]);
}

void Apply(QMenuBar* bar) {
  ApplyTo(bar->actions());
  for (QAction* a : bar->actions())
    if (a->menu()) ApplyTo(a->menu()->actions());
}

}  // namespace accelerators
