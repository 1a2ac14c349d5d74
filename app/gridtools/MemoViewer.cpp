#include "app/gridtools/MemoViewer.h"

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QVBoxLayout>

TMemoViewer::TMemoViewer(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit) {
  text_->setReadOnly(true);
  text_->setPlainText(text);
  Arrange(title, text_);
}

TMemoViewer::TMemoViewer(const QString& title, const QImage& picture, QWidget* parent)
    : QDialog(parent), picture_(new QLabel) {
  picture_->setPixmap(QPixmap::fromImage(picture));
  auto* scroll = new QScrollArea;
  scroll->setWidget(picture_);
  Arrange(title, scroll);
}

void TMemoViewer::Arrange(const QString& title, QWidget* content) {
  setObjectName(QStringLiteral("MemoViewer"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(content);
  resize(480, 320);
}
