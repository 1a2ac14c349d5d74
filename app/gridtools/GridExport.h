#pragma once

#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

#include "app/gridtools/ExportDialog.h"
#include "app/gridtools/ReaderPass.h"

class QStatusBar;
class TDBGrid;
class TFileInfo;
class TPassProgress;

// A data window's "export grid": asks for the format, the records and the file (TExportDialog), then writes
// the selection at once, or every record through a reader of its own on a worker thread, the progress and a
// Cancel button in the progress bar below the grid (Esc cancels too). While a query's or sort's view is
// shown, its records go, in its order. Its owner destroys it before the grid; destroying it cancels a running
// export, which then leaves no file.
class TGridExport : public QObject {
  Q_OBJECT

 public:
  TGridExport(TDBGrid& grid, std::function<TFileInfo*()> holder, TPassProgress& progress,
              QStatusBar* statusBar);
  ~TGridExport() override;

  // Asks and exports.
  void Run();
  // Exports as chosen; a running export is cancelled first.
  void Export(const TExportChoice& choice);
  void Cancel();
  bool Running() const { return pass_.Running(); }

 signals:
  // An export ended: written, failed or cancelled.
  void ExportEnded();

 private:
  void ExportSelection(const TExportChoice& choice, const TFileInfo& info);
  void Written(const QString& path, int64_t records);
  void Ended(const QString& status);

  TDBGrid& grid_;
  std::function<TFileInfo*()> holder_;
  TPassProgress& progress_;
  QStatusBar* statusBar_;
  TReaderPass pass_;
  // Set on the worker once the file is in place: a cancel that comes after it changes nothing.
  std::shared_ptr<std::atomic<int64_t>> written_;
  QString path_;
};
