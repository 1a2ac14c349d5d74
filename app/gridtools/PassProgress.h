#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

// A bar below a data window's grid while a pass over the whole file runs (export, print): what it does, a
// progress bar and a Cancel button; Esc on it cancels too. Hidden while no pass runs. The window stays usable
// meanwhile.
class TPassProgress : public QWidget {
  Q_OBJECT

 public:
  explicit TPassProgress(QWidget* parent = nullptr);

  void Start(const QString& text);
  // done of total records; a total of 0 shows a busy bar.
  void SetProgress(int64_t done, int64_t total);
  void Finish();

  QProgressBar* Bar() const { return bar_; }
  QPushButton* CancelButton() const { return cancel_; }

 signals:
  void CancelRequested();

 private:
  QLabel* text_;
  QProgressBar* bar_;
  QPushButton* cancel_;
};
