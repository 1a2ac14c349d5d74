#include "app/gridtools/GridFind.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>

#include "app/DBGrid.h"
#include "app/MessageBox.h"
#include "core/FileInfo.h"
#include "dataset/ViewDataSet.h"
#include "support/Windows1252.h"

TGridFind::TGridFind(TDBGrid& grid, QWidget& scope, std::function<TFileInfo*()> holder, QStatusBar* statusBar)
    : grid_(grid),
      holder_(std::move(holder)),
      statusBar_(statusBar),
      bar_(new QWidget(&scope)),
      text_(new QLineEdit),
      columns_(new QComboBox) {
  setObjectName(QStringLiteral("GridFind"));
  bar_->setObjectName(QStringLiteral("FindBar"));
  text_->setObjectName(QStringLiteral("FindText"));
  columns_->setObjectName(QStringLiteral("FindColumn"));
  columns_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  auto* next = new QPushButton(QStringLiteral("Next"));
  auto* previous = new QPushButton(QStringLiteral("Previous"));
  auto* close = new QToolButton;
  close->setText(QStringLiteral("\u00D7"));
  close->setAutoRaise(true);
  auto* layout = new QHBoxLayout(bar_);
  layout->setContentsMargins(0, 2, 0, 0);
  layout->addWidget(new QLabel(QStringLiteral("Find:")));
  layout->addWidget(text_, 1);
  layout->addWidget(columns_);
  layout->addWidget(next);
  layout->addWidget(previous);
  layout->addWidget(close);
  bar_->hide();
  connect(text_, &QLineEdit::returnPressed, this, [this] { FindNext(); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(); });
  connect(previous, &QPushButton::clicked, this, [this] { FindPrevious(); });
  connect(close, &QToolButton::clicked, this, [this] {
    Cancel();
    bar_->hide();
    grid_.setFocus();
  });

  auto shortcut = [&scope, this](const QKeySequence& keys, QWidget* on, std::function<void()> action) {
    auto* key = new QShortcut(keys, on, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(key, &QShortcut::activated, this, std::move(action));
  };
  shortcut(QKeySequence::Find, &scope, [this] { Open(); });
  shortcut(QKeySequence(Qt::Key_F3), &scope, [this] { FindNext(); });
  shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), &scope, [this] { FindPrevious(); });
  // Esc in the bar; in the grid, the grid's own Esc reaches Cancel through the window.
  shortcut(QKeySequence(Qt::Key_Escape), bar_, [this] {
    if (Running()) {
      Cancel();
      return;
    }
    bar_->hide();
    grid_.setFocus();
  });

  // The search may read the view the grid shows, which goes once the grid shows another data set.
  connect(&grid_, &TDBGrid::DataSetChanging, this, [this] { pass_.Stop(); });
  connect(&pass_, &TReaderPass::Failed, this, [this](const std::exception_ptr& error) {
    ShowStatus(QString());
    RunGuarded([&] { std::rethrow_exception(error); });
    emit SearchEnded();
  });
  connect(&pass_, &TReaderPass::Cancelled, this, [this] {
    ShowStatus(QStringLiteral("Find cancelled"));
    emit SearchEnded();
  });
}

TGridFind::~TGridFind() {
  pass_.Stop();
  delete bar_;
}

void TGridFind::Open() {
  FillColumns();
  bar_->show();
  text_->selectAll();
  text_->setFocus();
}

void TGridFind::FillColumns() {
  // Kept by name where the column is still there.
  const QString chosen = columns_->currentIndex() > 0 ? columns_->currentText() : QString();
  columns_->clear();
  columns_->addItem(QStringLiteral("All columns"), -1);
  const QHeaderView* titles = grid_.View()->horizontalHeader();
  for (int visual = 0; visual < titles->count(); ++visual) {
    const int column = titles->logicalIndex(visual);
    if (titles->isSectionHidden(column)) continue;
    columns_->addItem(grid_.Model()->headerData(column, Qt::Horizontal).toString(), column);
  }
  const int at = chosen.isEmpty() ? 0 : columns_->findText(chosen);
  columns_->setCurrentIndex(std::max(at, 0));
}

void TGridFind::Cancel() {
  pass_.Cancel();
  waiting_.Drop();
}

void TGridFind::Find(bool backward) {
  TDataSet* dataSet = grid_.DataSet();
  TFileInfo* info = holder_();
  if (dataSet == nullptr || !dataSet->Active() || info == nullptr) return;
  const QString text = text_->text();
  if (text.isEmpty()) {
    Open();
    return;
  }
  if (columns_->count() == 0) FillColumns();
  const int32_t from = StartingRecord(*dataSet, [this, backward] { Find(backward); });
  if (from <= 0) return;

  // The columns in their order on screen, or the one chosen; the current cell's place among them decides
  // which cells of its record come after it.
  const QHeaderView* titles = grid_.View()->horizontalHeader();
  const int chosen = columns_->currentData().toInt();
  const QModelIndex current = grid_.View()->currentIndex();
  const int currentVisual = current.isValid() ? titles->visualIndex(current.column()) : -1;
  TSearchRequest request;
  std::vector<int> columns;
  for (int visual = 0; visual < titles->count(); ++visual) {
    const int column = titles->logicalIndex(visual);
    if (titles->isSectionHidden(column) || (chosen >= 0 && column != chosen) ||
        column >= dataSet->Fields().Count())
      continue;
    const int index = static_cast<int>(columns.size());
    columns.push_back(column);
    request.Columns.push_back(dataSet->Fields()[column].FieldName());
    if (backward ? visual < currentVisual : visual > currentVisual) request.FromColumns.push_back(index);
  }
  if (backward) std::reverse(request.FromColumns.begin(), request.FromColumns.end());
  if (columns.empty()) return;
  request.From = from;
  request.Backward = backward;
  Run(std::move(request), std::move(columns), text, backward);
}

int32_t TGridFind::StartingRecord(TDataSet& dataSet, std::function<void()> retry) {
  bool empty = true;
  bool sequenced = false;
  int32_t from = 0;
  if (!RunGuarded([&] {
        empty = dataSet.IsEmpty();
        sequenced = dataSet.IsSequenced();
        from = dataSet.GetRecNo();
      }) ||
      empty)
    return 0;
  // A find that waits for record numbers is dropped by the next one and by Cancel.
  std::function<void()> latest = waiting_.Wrap(std::move(retry));
  if (!sequenced && DeferUntilNumbered && DeferUntilNumbered(std::move(latest))) return 0;
  if (!sequenced || from <= 0) {
    ShowStatus(QStringLiteral("Find needs record numbers, which this data set does not have"));
    return 0;
  }
  return from;
}

void TGridFind::FindPrefix(int column, const QString& text, bool fromCurrent) {
  TDataSet* dataSet = grid_.DataSet();
  if (dataSet == nullptr || !dataSet->Active() || text.isEmpty() || column < 0 ||
      column >= dataSet->Fields().Count())
    return;
  const int32_t from =
      StartingRecord(*dataSet, [this, column, text, fromCurrent] { FindPrefix(column, text, fromCurrent); });
  if (from <= 0) return;
  TSearchRequest request;
  request.Prefix = true;
  request.Columns.push_back(dataSet->Fields()[column].FieldName());
  if (fromCurrent) request.FromColumns.push_back(0);
  request.From = from;
  Run(std::move(request), {column}, text, false);
}

void TGridFind::Run(TSearchRequest request, std::vector<int> columns, const QString& text, bool backward) {
  TDataSet* dataSet = grid_.DataSet();
  TFileInfo* info = holder_();
  if (dataSet == nullptr || info == nullptr) return;
  if (const auto* view = dynamic_cast<const TViewDataSet*>(dataSet)) request.View = &view->View();

  // A character outside the files' code page is in no value.
  const std::optional<std::string> encoded = Utf8ToWindows1252(text.toStdString());
  if (!encoded || encoded->find('\0') != std::string::npos) {
    Found({}, columns, text, backward);
    return;
  }
  request.Text = *encoded;
  ShowStatus(QStringLiteral("Finding \"%1\" (Esc cancels)").arg(text));
  pass_.Start(TReaderSource::For(*info),
              [this, request = std::move(request), columns, text, backward](
                  TDataSet& reader, TPassControl& control, const TReaderPass::TPost& post) {
                control.OnProgress = [this, &post, text](int64_t done, int64_t total) {
                  const int64_t percent = total > 0 ? std::min<int64_t>(100, done * 100 / total) : 100;
                  post([this, text, percent] {
                    ShowStatus(QStringLiteral("Finding \"%1\": %2 % (Esc cancels)").arg(text).arg(percent));
                  });
                };
                const TSearchHit hit = SearchRecords(reader, request, control);
                return std::function<void()>(
                    [this, hit, columns, text, backward] { Found(hit, columns, text, backward); });
              });
}

void TGridFind::Found(const TSearchHit& hit, const std::vector<int>& columns, const QString& text,
                      bool backward) {
  if (hit.Position <= 0) {
    ShowStatus(QStringLiteral("\"%1\" not found %2 the current cell")
                   .arg(text, backward ? QStringLiteral("before") : QStringLiteral("after")));
  } else {
    ShowStatus(QString());
    grid_.GoToRecord(hit.Position);
    grid_.SelectCell(columns[static_cast<size_t>(hit.Column)]);
  }
  emit SearchEnded();
}

void TGridFind::ShowStatus(const QString& text) {
  if (statusBar_ == nullptr) return;
  if (text.isEmpty())
    statusBar_->clearMessage();
  else
    statusBar_->showMessage(text);
}
