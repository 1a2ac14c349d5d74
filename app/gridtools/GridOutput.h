#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

#include "app/gridtools/PassProgress.h"

class QStatusBar;
class QWidget;
class TDBGrid;
class TFileInfo;
class TGridContextMenu;
class TGridExport;
class TGridPrint;

// A data window's print grid, print data set and export grid: their entries in the grid's context menu and
// the progress bar their passes share (the owner puts it below the grid). One such pass runs at a time: the
// entries that start one are disabled meanwhile. Its owner destroys it before the grid; destroying it cancels
// a running pass.
class TGridOutput : public QObject {
  Q_OBJECT

 public:
  // holder: the holder whose file the window shows (none once it is gone); title: the heading of printed
  // pages.
  TGridOutput(TDBGrid& grid, TGridContextMenu& menu, std::function<TFileInfo*()> holder,
              std::function<QString()> title, QStatusBar* statusBar);
  ~TGridOutput() override;

  TPassProgress* ProgressBar() const { return progress_; }
  TGridExport& Export() const { return *export_; }
  TGridPrint& Print() const { return *print_; }
  bool Running() const;
  // Cancels a running export or print (Esc in the grid).
  void Cancel();

 private:
  TGridContextMenu& menu_;
  QPointer<TPassProgress> progress_;  // owned by the widget it is put into, else by this object
  std::unique_ptr<TGridExport> export_;
  std::unique_ptr<TGridPrint> print_;
};
