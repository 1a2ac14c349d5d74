#include "app/OpenDialog.h"

#include <QFileDialog>

namespace {

TOpenDialog::TFunction& ReplacedFunction() {
  static TOpenDialog::TFunction function;
  return function;
}

QStringList RunFileDialog(QWidget* parent, const QStringList& filters, const QString& selectedFilter) {
  QFileDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(selectedFilter);
  dialog.setSizeGripEnabled(true);
  // Extensions match in any letter case, as on the system the files come from.
  dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
  if (dialog.exec() != QDialog::Accepted) return {};
  return dialog.selectedFiles();
}

}  // namespace

TOpenDialog::TFunction TOpenDialog::SetFunction(TFunction function) {
  TFunction previous = std::move(ReplacedFunction());
  ReplacedFunction() = std::move(function);
  return previous;
}

QStringList TOpenDialog::Run(QWidget* parent, const QStringList& filters, const QString& selectedFilter) {
  const TFunction function = ReplacedFunction();
  return function ? function(parent, filters, selectedFilter)
                  : RunFileDialog(parent, filters, selectedFilter);
}

QStringList TOpenDialog::Filters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    // Qt reads the patterns from the parentheses at the end, separated by blanks.
    if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
      description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& pattern : patterns)
      if (pattern == QLatin1String("*.*"))
        pattern = QStringLiteral("*");  // every file, with or without a dot
    filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters;
}
