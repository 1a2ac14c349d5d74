#include "app/gridtools/PrintRangeDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/gridtools/GridPrint.h"

namespace {

std::optional<TPrintRange> AskByDialog(QWidget* parent, int32_t count) {
  TPrintRangeDialog dialog(count, TGridPrint::kPreviewLimit, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Range();
}

TPrintRangeDialog::TAskFunction& AskFunction() {
  static TPrintRangeDialog::TAskFunction function = AskByDialog;
  return function;
}

}  // namespace

TPrintRangeDialog::TAskFunction TPrintRangeDialog::SetAskFunction(TAskFunction function) {
  TAskFunction previous = std::move(AskFunction());
  AskFunction() = function ? std::move(function) : TAskFunction(AskByDialog);
  return previous;
}

std::optional<TPrintRange> TPrintRangeDialog::Ask(QWidget* parent, int32_t count) {
  return AskFunction()(parent, count);
}

TPrintRangeDialog::TPrintRangeDialog(int32_t count, int32_t previewLimit, QWidget* parent)
    : QDialog(parent), first_(new QSpinBox), last_(new QSpinBox) {
  setObjectName(QStringLiteral("PrintRangeDialog"));
  setWindowTitle(QStringLiteral("Print data set"));
  first_->setRange(1, count);
  last_->setRange(1, count);
  first_->setValue(1);
  last_->setValue(count);
  // The range stays ordered whichever end moves.
  connect(first_, &QSpinBox::valueChanged, this, [this](int value) {
    if (last_->value() < value) last_->setValue(value);
  });
  connect(last_, &QSpinBox::valueChanged, this, [this](int value) {
    if (first_->value() > value) first_->setValue(value);
  });
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("First record:"), first_);
  form->addRow(QStringLiteral("Last record:"), last_);
  auto* note =
      new QLabel(QStringLiteral("Records 1 to %1. A preview shows at most %2 records; Print prints the "
                                "whole range.")
                     .arg(count)
                     .arg(previewLimit));
  note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
  QPushButton* preview = buttons->addButton(QStringLiteral("Preview..."), QDialogButtonBox::AcceptRole);
  QPushButton* print = buttons->addButton(QStringLiteral("Print..."), QDialogButtonBox::AcceptRole);
  preview->setDefault(true);
  connect(preview, &QPushButton::clicked, this, [this] {
    preview_ = true;
    accept();
  });
  connect(print, &QPushButton::clicked, this, [this] {
    preview_ = false;
    accept();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(note);
  layout->addWidget(buttons);
}

TPrintRange TPrintRangeDialog::Range() const {
  return {first_->value(), last_->value(), preview_};
}
