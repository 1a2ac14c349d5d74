#include "app/gridtools/QueryByFormDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/DisplayText.h"
#include "dataset/DataSet.h"
#include "support/Windows1252.h"

namespace {
// An entry in the files' code page. A character the code page lacks is in no value: the entry becomes one
// that no value matches (values hold no zero bytes).
std::string EncodedText(const QString& text) {
  return Utf8ToWindows1252(text.toStdString()).value_or(std::string(1, '\0'));
}
}  // namespace

TQueryByFormDialog::TQueryByFormDialog(TDataSet& dataSet, const std::vector<TFilterEntry>& current,
                                       QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("QueryByFormDialog"));
  setWindowTitle(QStringLiteral("Query by form"));
  auto* form = new QWidget;
  auto* fields = new QFormLayout(form);
  for (const auto& field : dataSet.Fields()) {
    auto* edit = new QLineEdit;
    edit->setObjectName(DisplayText(field->FieldName()));
    for (const TFilterEntry& entry : current)
      if (entry.FieldName == field->FieldName()) edit->setText(DisplayText(entry.Pattern));
    fields->addRow(DisplayText(field->FieldName()), edit);
    edits_.emplace_back(field->FieldName(), edit);
  }
  auto* scroll = new QScrollArea;
  scroll->setWidget(form);
  scroll->setWidgetResizable(true);
  auto* hint = new QLabel(QStringLiteral("A value with * and ?, or a comparison: >=100, <5, <>x, =x"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(hint);
  layout->addWidget(scroll);
  layout->addWidget(buttons);
}

std::vector<TFilterEntry> TQueryByFormDialog::Entries() const {
  std::vector<TFilterEntry> entries;
  for (const auto& [name, edit] : edits_)
    if (!edit->text().trimmed().isEmpty()) entries.push_back({name, EncodedText(edit->text())});
  return entries;
}

QLineEdit* TQueryByFormDialog::EntryOf(const std::string& fieldName) const {
  for (const auto& [name, edit] : edits_)
    if (name == fieldName) return edit;
  return nullptr;
}
