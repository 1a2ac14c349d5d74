#pragma once

#include <QDialog>

class QImage;
class QLabel;
class QPlainTextEdit;

// "Full-size memo": a memo's whole text, read-only, or a picture at its own size, in a resizable window of
// its own that stays open beside the grid.
class TMemoViewer : public QDialog {
  Q_OBJECT

 public:
  TMemoViewer(const QString& title, const QString& text, QWidget* parent);
  TMemoViewer(const QString& title, const QImage& picture, QWidget* parent);
  // The text shown, or none for a picture.
  QPlainTextEdit* Text() const { return text_; }
  // The picture shown, or none for a text.
  QLabel* Picture() const { return picture_; }

 private:
  void Arrange(const QString& title, QWidget* content);

  QPlainTextEdit* text_ = nullptr;
  QLabel* picture_ = nullptr;
};
