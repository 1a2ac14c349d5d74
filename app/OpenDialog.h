#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The File > Open dialog.
class TOpenDialog {
 public:
  // Runs the dialog: parent, filters in Qt's syntax, the preselected filter; returns the chosen paths in
  // the dialog's order (none when cancelled).
  using TFunction =
      std::function<QStringList(QWidget* parent, const QStringList& filters, const QString& selectedFilter)>;
  // Tests put their own in place of the dialog; returns the function it replaces, an empty one restores
  // the dialog.
  static TFunction SetFunction(TFunction function);
  // Runs the function in place, else the dialog.
  static QStringList Run(QWidget* parent, const QStringList& filters, const QString& selectedFilter);
  // A filter "description|patterns|…" as Qt name filters.
  static QStringList Filters(const QString& filter);
};
