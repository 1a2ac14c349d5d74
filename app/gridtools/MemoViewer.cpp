#include "app/gridtools/MemoViewer.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

TMemoViewer::TMemoViewer(const QString& title, const QString& text, QWidget* parent)
    : QDialog(parent), text_(new QPlainTextEdit) {
  setObjectName(QStringLiteral("MemoViewer"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(title);
  setSizeGripEnabled(true);
  text_->setReadOnly(true);
  text_->setPlainText(text);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addWidget(text_);
  resize(480, 320);
}
