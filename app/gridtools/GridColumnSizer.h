#pragma once

#include <QObject>

class TDBGrid;

// Automatic column widths: fitted to the values of the rows on screen (again whenever they change), and
// fitted into the window's width (again whenever it changes), or both, the second after the first.
class TGridColumnSizer : public QObject {
  Q_OBJECT

 public:
  explicit TGridColumnSizer(TDBGrid& grid);

  void SetAutoSize(bool on);
  void SetAutoWidth(bool on);
  // Sizes the columns as the switches say.
  void Fit();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FitToValues();
  void FitToWidth();

  TDBGrid& grid_;
  bool autoSize_ = false;
  bool autoWidth_ = false;
  bool fitting_ = false;
};
