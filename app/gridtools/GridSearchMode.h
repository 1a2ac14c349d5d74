#pragma once

#include <QObject>
#include <QString>

class QStatusBar;
class TDBGrid;
class TGridContextMenu;
class TGridFind;

// Search mode: while it is on, typing in the grid finds the record whose value in the current column
// begins with the text typed so far (letter case and leading blanks aside), and F3 the next such record,
// through the window's find. Backspace takes the last character back; any other key starts the text anew.
class TGridSearchMode : public QObject {
  Q_OBJECT

 public:
  TGridSearchMode(TDBGrid& grid, TGridContextMenu& menu, TGridFind& find, QStatusBar* statusBar);

  void SetOn(bool on);
  bool On() const { return on_; }
  const QString& Typed() const { return typed_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Finds typed_ from the current record (itself included where fromCurrent).
  void Search(bool fromCurrent);
  void ShowTyped();

  TDBGrid& grid_;
  TGridFind& find_;
  QStatusBar* statusBar_;
  bool on_ = false;
  QString typed_;
};
