#pragma once

#include <QDialog>

class QPlainTextEdit;

// "Full-size memo": a memo's whole text, read-only, in a resizable window of its own that stays open
// beside the grid.
class TMemoViewer : public QDialog {
  Q_OBJECT

 public:
  TMemoViewer(const QString& title, const QString& text, QWidget* parent);
  QPlainTextEdit* Text() const { return text_; }

 private:
  QPlainTextEdit* text_;
};
