#include "app/WindowSettings.h"

#include <QMainWindow>
#include <QSettings>
#include <QSplitter>

namespace {
const char* const kGeometryKey = "MainWindow/Geometry";
const char* const kSplitterKey = "MainWindow/Splitter";
const char* const kDataWindowSizeKey = "DataWindow/Size";
}  // namespace

void TWindowSettings::RestoreMainWindow(QMainWindow& window, QSplitter& splitter) {
  const QSettings settings;
  window.restoreGeometry(settings.value(kGeometryKey).toByteArray());
  splitter.restoreState(settings.value(kSplitterKey).toByteArray());
}

void TWindowSettings::SaveMainWindow(const QMainWindow& window, const QSplitter& splitter) {
  QSettings settings;
  settings.setValue(kGeometryKey, window.saveGeometry());
  settings.setValue(kSplitterKey, splitter.saveState());
}

std::optional<QSize> TWindowSettings::DataWindowSize() {
  const QSize size = QSettings().value(kDataWindowSizeKey).toSize();
  // A size too small to show a row is no choice anybody made.
  if (!size.isValid() || size.width() < 80 || size.height() < 60) return std::nullopt;
  return size;
}

void TWindowSettings::SaveDataWindowSize(QSize size) {
  QSettings().setValue(kDataWindowSizeKey, size);
}
