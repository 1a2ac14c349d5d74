#include "app/gridtools/ExportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/MessageBox.h"

namespace {

struct TFormatInfo {
  TDumpFormat Format;
  const char* Caption;
  const char* Extension;
  const char* Filter;
};
constexpr TFormatInfo kFormats[] = {
    {TDumpFormat::dfCsv, "CSV (comma-separated)", "csv", "CSV files (*.csv)"},
    {TDumpFormat::dfTsv, "TSV (tab-separated)", "tsv", "TSV files (*.tsv *.txt)"},
    {TDumpFormat::dfJsonLines, "JSON Lines", "jsonl", "JSON Lines files (*.jsonl)"},
    {TDumpFormat::dfHtml, "HTML table", "html", "HTML files (*.html *.htm)"},
};

std::optional<TExportChoice> AskByDialog(QWidget* parent, bool hasSelection) {
  TExportDialog dialog(hasSelection, parent);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Choice();
}

TExportDialog::TAskFunction& AskFunction() {
  static TExportDialog::TAskFunction function = AskByDialog;
  return function;
}

}  // namespace

TExportDialog::TAskFunction TExportDialog::SetAskFunction(TAskFunction function) {
  TAskFunction previous = std::move(AskFunction());
  AskFunction() = function ? std::move(function) : TAskFunction(AskByDialog);
  return previous;
}

std::optional<TExportChoice> TExportDialog::Ask(QWidget* parent, bool hasSelection) {
  return AskFunction()(parent, hasSelection);
}

TExportDialog::TExportDialog(bool hasSelection, QWidget* parent)
    : QDialog(parent),
      format_(new QComboBox),
      byteOrderMark_(new QCheckBox(QStringLiteral("UTF-8 byte order mark"))),
      all_(new QRadioButton(QStringLiteral("All records"))),
      selection_(new QRadioButton(QStringLiteral("Selected cells"))),
      file_(new QLineEdit) {
  setObjectName(QStringLiteral("ExportDialog"));
  setWindowTitle(QStringLiteral("Export grid"));
  for (const TFormatInfo& info : kFormats) format_->addItem(QString::fromLatin1(info.Caption));
  all_->setChecked(true);
  selection_->setEnabled(hasSelection);
  auto* browse = new QPushButton(QStringLiteral("Browse..."));
  auto* fileRow = new QHBoxLayout;
  fileRow->addWidget(file_, 1);
  fileRow->addWidget(browse);
  auto* scope = new QVBoxLayout;
  scope->addWidget(all_);
  scope->addWidget(selection_);
  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Format:"), format_);
  form->addRow(QString(), byteOrderMark_);
  form->addRow(QStringLiteral("Records:"), scope);
  form->addRow(QStringLiteral("File:"), fileRow);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, [this] { Browse(); });
  connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
  connect(file_, &QLineEdit::textChanged, buttons, [this, buttons] {
    buttons->button(QDialogButtonBox::Ok)->setEnabled(!file_->text().trimmed().isEmpty());
  });
  buttons->button(QDialogButtonBox::Ok)->setEnabled(false);
  FormatChanged();
}

TExportChoice TExportDialog::Choice() const {
  TExportChoice choice;
  choice.Target.Path = file_->text().trimmed();
  choice.Target.Format = kFormats[std::max(format_->currentIndex(), 0)].Format;
  choice.Target.ByteOrderMark = byteOrderMark_->isEnabled() && byteOrderMark_->isChecked();
  choice.SelectionOnly = selection_->isChecked();
  return choice;
}

void TExportDialog::FormatChanged() {
  const TFormatInfo& info = kFormats[std::max(format_->currentIndex(), 0)];
  byteOrderMark_->setEnabled(info.Format == TDumpFormat::dfCsv);
  const QString name = file_->text();
  const QFileInfo file(name);
  for (const TFormatInfo& other : kFormats)
    if (file.suffix().compare(QLatin1String(other.Extension), Qt::CaseInsensitive) == 0) {
      file_->setText(name.left(name.size() - file.suffix().size()) + QLatin1String(info.Extension));
      break;
    }
}

void TExportDialog::Browse() {
  const TFormatInfo& info = kFormats[std::max(format_->currentIndex(), 0)];
  const QString name = QFileDialog::getSaveFileName(this, QStringLiteral("Export grid"), file_->text(),
                                                    QString::fromLatin1(info.Filter));
  if (name.isEmpty()) return;
  // The file dialog confirmed replacing the name it gave, not one with an extension added.
  const bool bare = QFileInfo(name).suffix().isEmpty();
  file_->setText(bare ? name + QLatin1Char('.') + QLatin1String(info.Extension) : name);
  confirmed_ = bare ? QString() : name;
}

void TExportDialog::accept() {
  const QString name = file_->text().trimmed();
  if (name.isEmpty()) return;
  if (name != confirmed_ && QFileInfo::exists(name)) {
    TMessageBoxRequest request;
    request.Title = kApplicationTitle;
    request.Text = "The file exists. Replace it?";
    request.Buttons = TMessageButtons::mbYesNo;
    request.Kind = TMessageKind::mkQuestion;
    request.FileName = QFile::encodeName(name).toStdString();
    if (ShowMessageBox(request) != TMessageResult::mrYes) return;
  }
  QDialog::accept();
}
