#pragma once

#include <QLabel>

class TMDIChild;

// The status bar's record position of the active data window: "CAPTION: Record n of N" (n and N in the
// view where a query or sort is shown), the caption alone where the data set has no record numbers, and
// nothing without a window.
class TRecordStatus : public QLabel {
  Q_OBJECT

 public:
  explicit TRecordStatus(QWidget* parent = nullptr);

  void Show(const TMDIChild* child);
  static QString Text(const TMDIChild& child);
};
