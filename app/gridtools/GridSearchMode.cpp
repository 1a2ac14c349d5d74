#include "app/gridtools/GridSearchMode.h"

#include <QAction>
#include <QKeyEvent>
#include <QStatusBar>

#include "app/DBGrid.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridFind.h"

TGridSearchMode::TGridSearchMode(TDBGrid& grid, TGridContextMenu& menu, TGridFind& find,
                                 QStatusBar* statusBar)
    : grid_(grid), find_(find), statusBar_(statusBar) {
  setObjectName(QStringLiteral("GridSearchMode"));
  QAction* entry = menu.Entry(TGridMenuEntry::gmSearchMode);
  menu.Bind(TGridMenuEntry::gmSearchMode, this, [this, entry] { SetOn(entry->isChecked()); });
  connect(&menu, &TGridContextMenu::AboutToShow, this, [this, entry] { entry->setChecked(on_); });
  grid_.View()->installEventFilter(this);
}

void TGridSearchMode::SetOn(bool on) {
  on_ = on;
  typed_.clear();
  if (statusBar_ != nullptr)
    statusBar_->showMessage(
        on_ ? QStringLiteral("Search mode: type the beginning of a value, F3 finds the next") : QString());
}

void TGridSearchMode::ShowTyped() {
  if (statusBar_ != nullptr) statusBar_->showMessage(QStringLiteral("Search mode: %1").arg(typed_));
}

void TGridSearchMode::Search(bool fromCurrent) {
  const QModelIndex current = grid_.View()->currentIndex();
  if (typed_.isEmpty() || !current.isValid()) return;
  find_.FindPrefix(current.column(), typed_, fromCurrent);
}

bool TGridSearchMode::eventFilter(QObject* /*watched*/, QEvent* event) {
  if (!on_ || (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  const Qt::KeyboardModifiers modifiers = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
  // F3 repeats the typed text, before the window's find takes the key for its own text.
  const bool next = key->key() == Qt::Key_F3 && modifiers == Qt::NoModifier && !typed_.isEmpty();
  const QString text = key->text();
  const bool typing = modifiers == Qt::NoModifier && !text.isEmpty() && text.at(0).isPrint();
  const bool erasing = key->key() == Qt::Key_Backspace && !typed_.isEmpty();
  if (event->type() == QEvent::ShortcutOverride) {
    if (next || typing || erasing) {
      event->accept();
      return true;
    }
    return false;
  }
  if (next) {
    Search(false);
    return true;
  }
  if (typing) {
    // The first character looks from the next record on; more characters narrow down from the one found.
    const bool fromCurrent = !typed_.isEmpty();
    typed_ += text;
    ShowTyped();
    Search(fromCurrent);
    return true;
  }
  if (erasing) {
    typed_.chop(1);
    ShowTyped();
    return true;
  }
  if (key->key() != Qt::Key_Shift) typed_.clear();
  return false;
}
