#include "app/gridtools/PassProgress.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

TPassProgress::TPassProgress(QWidget* parent)
    : QWidget(parent),
      text_(new QLabel),
      bar_(new QProgressBar),
      cancel_(new QPushButton(QStringLiteral("Cancel"))) {
  setObjectName(QStringLiteral("PassProgress"));
  bar_->setObjectName(QStringLiteral("PassProgressBar"));
  cancel_->setObjectName(QStringLiteral("PassCancel"));
  bar_->setRange(0, 1000);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 2, 0, 0);
  layout->addWidget(text_);
  layout->addWidget(bar_, 1);
  layout->addWidget(cancel_);
  connect(cancel_, &QPushButton::clicked, this, &TPassProgress::CancelRequested);
  auto* escape =
      new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, &TPassProgress::CancelRequested);
  hide();
}

void TPassProgress::Start(const QString& text) {
  text_->setText(text);
  bar_->setRange(0, 0);
  show();
}

void TPassProgress::SetProgress(int64_t done, int64_t total) {
  if (total <= 0) {
    bar_->setRange(0, 0);
    return;
  }
  // In thousandths, so that counts past the range of int show.
  bar_->setRange(0, 1000);
  bar_->setValue(static_cast<int>(std::min<int64_t>(1000, done * 1000 / total)));
}

void TPassProgress::Finish() {
  hide();
}
