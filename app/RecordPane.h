#pragma once

#include <QDockWidget>
#include <QPointer>

class QTableWidget;
class TMDIChild;

// A pane beside the data windows that shows the active window's current record as name/value pairs,
// memo texts whole. Hidden at first; Window > Record Pane shows it. Reads only while it is shown.
class TRecordPane : public QDockWidget {
  Q_OBJECT

 public:
  explicit TRecordPane(QWidget* parent = nullptr);

  void Show(TMDIChild* child);
  QTableWidget* Table() const { return table_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QTableWidget* table_;
  QPointer<TMDIChild> shown_;
};
