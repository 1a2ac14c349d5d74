#include "app/gridtools/GridLayoutStore.h"

#include <QFile>
#include <QFileDialog>
#include <QSaveFile>
#include <QSettings>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridDisplay.h"

namespace {

const QString kSettingsGroup = QStringLiteral("GridLayouts/");
const QString kFilter = QStringLiteral("Grid layouts (*.kwlayout);;All files (*)");

TGridLayoutStore::TAskFileName& AskFileName() {
  static TGridLayoutStore::TAskFileName ask;
  return ask;
}

QString AskWithDialog(QWidget* parent, bool save) {
  return save ? QFileDialog::getSaveFileName(parent, QStringLiteral("Save layout"), QString(), kFilter)
              : QFileDialog::getOpenFileName(parent, QStringLiteral("Load layout"), QString(), kFilter);
}

void ShowFileError(const QString& path, const QString& text) {
  TMessageBoxRequest request;
  request.Title = kApplicationTitle;
  request.Text = text.toStdString();
  request.FileName = QFile::encodeName(path).toStdString();
  ShowMessageBox(request);
}

}  // namespace

TGridLayoutStore::TAskFileName TGridLayoutStore::SetAskFileName(TAskFileName ask) {
  TAskFileName previous = std::move(AskFileName());
  AskFileName() = std::move(ask);
  return previous;
}

TGridLayoutStore::TGridLayoutStore(TDBGrid& grid, TGridContextMenu& menu, TGridDisplay& display)
    : grid_(grid), display_(display) {
  setObjectName(QStringLiteral("GridLayoutStore"));
  auto ask = [this](bool save) {
    const TAskFileName& asked = AskFileName();
    return asked ? asked(&grid_, save) : AskWithDialog(&grid_, save);
  };
  menu.Bind(TGridMenuEntry::gmSaveLayout, this, [this, ask] {
    if (const QString path = ask(true); !path.isEmpty()) SaveFile(path);
  });
  menu.Bind(TGridMenuEntry::gmLoadLayout, this, [this, ask] {
    if (const QString path = ask(false); !path.isEmpty()) LoadFile(path);
  });
  connect(&menu, &TGridContextMenu::AboutToShow, this, [this, &menu] {
    const bool columns = grid_.Model()->columnCount() > 0;
    menu.Entry(TGridMenuEntry::gmSaveLayout)->setEnabled(columns);
    menu.Entry(TGridMenuEntry::gmLoadLayout)->setEnabled(columns);
  });
  // A query's or sort's view has the file's columns: it keeps their layout, as does the way back.
  connect(&grid_, &TDBGrid::DataSetChanging, this, [this] {
    kept_.reset();
    if (grid_.Model()->columnCount() == 0) return;
    kept_ = Current();
    keptKey_ = TGridLayout::ColumnSetKey(grid_);
  });
  connect(
      grid_.Model(), &QAbstractItemModel::modelReset, this,
      [this] {
        if (kept_ && TGridLayout::ColumnSetKey(grid_) == keptKey_) Apply(*kept_);
        kept_.reset();
      },
      Qt::QueuedConnection);
}

TGridLayout TGridLayoutStore::Current() const {
  return TGridLayout::Of(grid_, display_.Options());
}

void TGridLayoutStore::Apply(const TGridLayout& layout) {
  layout.ApplyColumns(grid_);
  display_.SetOptions(layout.Options);
}

bool TGridLayoutStore::SaveFile(const QString& path) {
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(Current().ToJson()) < 0 || !file.commit()) {
    ShowFileError(path, QStringLiteral("Cannot write the layout: %1").arg(file.errorString()));
    return false;
  }
  return true;
}

bool TGridLayoutStore::LoadFile(const QString& path) {
  QFile file(path);
  // A layout is a few kilobytes; anything far larger is no layout.
  constexpr qint64 kMaxSize = 4 << 20;
  if (!file.open(QIODevice::ReadOnly)) {
    ShowFileError(path, QStringLiteral("Cannot read the layout: %1").arg(file.errorString()));
    return false;
  }
  if (file.size() > kMaxSize) {
    ShowFileError(path, QStringLiteral("Not a grid layout: the file is too large"));
    return false;
  }
  QString error;
  const std::optional<TGridLayout> layout = TGridLayout::FromJson(file.readAll(), error);
  if (!layout) {
    ShowFileError(path, error);
    return false;
  }
  Apply(*layout);
  return true;
}

void TGridLayoutStore::Remember() {
  if (grid_.Model()->columnCount() == 0) return;
  const QString key = kSettingsGroup + TGridLayout::ColumnSetKey(grid_);
  const TGridLayout current = Current();
  // A grid left as it first came keeps no setting: later changes to the first layout reach it.
  if (defaults_ && current == *defaults_)
    QSettings().remove(key);
  else
    QSettings().setValue(key, QString::fromUtf8(current.ToJson()));
}

bool TGridLayoutStore::Restore() {
  if (grid_.Model()->columnCount() == 0) return false;
  defaults_ = Current();
  const QString json = QSettings().value(kSettingsGroup + TGridLayout::ColumnSetKey(grid_)).toString();
  if (json.isEmpty()) return false;
  QString error;
  // A damaged setting is passed over: the grid opens as it would without one.
  const std::optional<TGridLayout> layout = TGridLayout::FromJson(json.toUtf8(), error);
  if (!layout) return false;
  Apply(*layout);
  return true;
}
