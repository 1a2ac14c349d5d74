#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

#include "app/gridtools/LatestRequest.h"
#include "app/gridtools/ViewPass.h"
#include "dataset/ViewDataSet.h"

class QStatusBar;
class TDBGrid;
class TFileInfo;
class TGridContextMenu;

// A data window's "query by form" and "sort by form": their entries in the grid's context menu, the dialogs,
// the pass on a worker thread with its progress in the status bar (Esc or the menu's Cancel ends it), and the
// view the grid then shows over the holder's data set. "Show all records" returns to the data set itself.
// Its owner destroys it before the grid; destroying it cancels a running pass.
class TGridViewTools : public QObject {
  Q_OBJECT

 public:
  // holder: the holder whose data set the window shows (none once it is gone).
  TGridViewTools(TDBGrid& grid, TGridContextMenu& menu, std::function<TFileInfo*()> holder,
                 QStatusBar* statusBar);
  ~TGridViewTools() override;

  // What the dialogs do once confirmed: a new pass with these entries or columns and the others kept.
  void Query(std::vector<TFilterEntry> entries);
  void Sort(std::vector<TSortColumn> columns);
  void ShowAll();
  void Cancel();

  bool Running() const { return pass_.Running(); }
  // Asked when a pass would start on a data set without record numbers: true when they are being read and
  // retry will run once they are there.
  std::function<bool(std::function<void()> retry)> DeferUntilNumbered;
  // The view the grid shows; none while it shows the holder's data set.
  TViewDataSet* Shown() const { return shown_.get(); }

 signals:
  // The pass ended: a view shown, an error shown, or cancelled.
  void PassEnded();
  // Esc in the grid, which also ends the window's other passes.
  void EscapePressed();

 private:
  void QueryByForm();
  void SortByForm();
  void StartPass();
  void Show(const std::shared_ptr<TRecordView>& view);
  void ShowStatus(const QString& text);
  // Enables the menu's entries by the state.
  void UpdateEntries();

  TDBGrid& grid_;
  TGridContextMenu& menu_;
  std::function<TFileInfo*()> holder_;
  QStatusBar* statusBar_;
  TViewPass pass_;
  std::vector<TFilterEntry> where_;
  std::vector<TSortColumn> sort_;
  std::unique_ptr<TViewDataSet> shown_;
  TLatestRequest waiting_;  // a pass waiting for record numbers
};
