#include "app/InstantHintStyle.h"

#include <QApplication>
#include <QStyleFactory>

void TInstantHintStyle::Install() {
  if (dynamic_cast<TInstantHintStyle*>(QApplication::style()) != nullptr) return;
  // Over a new instance of the style in use, so the look stays as it was.
  QApplication::setStyle(new TInstantHintStyle(QStyleFactory::create(QApplication::style()->name())));
}
