#pragma once

#include <QSize>
#include <optional>

class QMainWindow;
class QSplitter;

// What the viewer keeps of its windows between runs (QSettings of the application): the main window's
// geometry and splitter, and the size data windows open at. Nothing is kept until a window was closed.
class TWindowSettings {
 public:
  // Puts back what SaveMainWindow kept; leaves the window as it is when nothing was kept.
  static void RestoreMainWindow(QMainWindow& window, QSplitter& splitter);
  static void SaveMainWindow(const QMainWindow& window, const QSplitter& splitter);

  // The size of the data window closed last, when it was neither maximised nor minimised.
  static std::optional<QSize> DataWindowSize();
  static void SaveDataWindowSize(QSize size);
};
