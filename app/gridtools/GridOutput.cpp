#include "app/gridtools/GridOutput.h"

#include <QAction>

#include "app/DBGrid.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridExport.h"
#include "app/gridtools/GridPrint.h"

TGridOutput::TGridOutput(TDBGrid& grid, TGridContextMenu& menu, std::function<TFileInfo*()> holder,
                         std::function<QString()> title, QStatusBar* statusBar)
    : menu_(menu), progress_(new TPassProgress) {
  setObjectName(QStringLiteral("GridOutput"));
  export_ = std::make_unique<TGridExport>(grid, holder, *progress_, statusBar);
  print_ = std::make_unique<TGridPrint>(grid, holder, std::move(title), *progress_, statusBar);
  menu_.Bind(TGridMenuEntry::gmPrintGrid, this, [this] { print_->PrintGrid(); });
  menu_.Bind(TGridMenuEntry::gmPrintDataSet, this, [this] {
    if (!Running()) print_->PrintDataSet();
  });
  menu_.Bind(TGridMenuEntry::gmExportGrid, this, [this] {
    if (!Running()) export_->Run();
  });
  connect(&menu_, &TGridContextMenu::AboutToShow, this, [this] {
    menu_.Entry(TGridMenuEntry::gmPrintDataSet)->setEnabled(!Running());
    menu_.Entry(TGridMenuEntry::gmExportGrid)->setEnabled(!Running());
  });
}

TGridOutput::~TGridOutput() {
  export_.reset();
  print_.reset();
  // Not put into a window, or the window went first.
  if (progress_ && progress_->parent() == nullptr) delete progress_;
}

bool TGridOutput::Running() const {
  return export_->Running() || print_->Running();
}

void TGridOutput::Cancel() {
  export_->Cancel();
  print_->Cancel();
}
