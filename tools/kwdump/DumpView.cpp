#include "tools/kwdump/DumpView.h"

#include "core/FileInfo.h"
#include "core/ReaderSource.h"

std::optional<TFilterEntry> ParseWhere(std::string_view text) {
  const size_t op = text.find_first_of("=<>");
  if (op == std::string_view::npos || op == 0) return std::nullopt;
  TFilterEntry entry;
  entry.FieldName = std::string(text.substr(0, op));
  entry.Pattern = std::string(text.substr(text[op] == '=' ? op + 1 : op));
  return entry;
}

std::optional<std::vector<TSortColumn>> ParseSort(std::string_view text) {
  std::vector<TSortColumn> columns;
  for (size_t from = 0; from <= text.size();) {
    size_t to = text.find(',', from);
    if (to == std::string_view::npos) to = text.size();
    std::string_view item = text.substr(from, to - from);
    TSortColumn column;
    if (const size_t colon = item.rfind(':'); colon != std::string_view::npos) {
      const std::string_view direction = item.substr(colon + 1);
      if (direction == "desc")
        column.Descending = true;
      else if (direction != "asc")
        return std::nullopt;
      item = item.substr(0, colon);
    }
    if (item.empty()) return std::nullopt;
    column.FieldName = std::string(item);
    columns.push_back(std::move(column));
    from = to + 1;
  }
  return columns;
}

std::unique_ptr<TViewDataSet> OpenDumpView(const TFileInfo& info, const std::vector<TFilterEntry>& where,
                                           const std::vector<TSortColumn>& sort) {
  TDataSet& shown = info.GetDataSet();
  // Columns are checked against the shown data set before any pass starts.
  const TRecordFilter filter(shown, where);
  for (const TSortColumn& column : sort) shown.FieldByName(column.FieldName);
  TPassControl control;
  control.FileName = info.FileName();
  // An ISAM table is numbered in the order it is shown in.
  if (auto* table = dynamic_cast<TCtreeDataSet*>(&shown); table != nullptr && table->Active())
    table->SetRecordPositions(table->ReadRecordPositions(control));
  CheckViewable(shown);
  TRecordView view = TRecordView::All(shown.GetRecordCount());
  {
    const std::unique_ptr<TFileInfo> reader = TReaderSource::For(info).Open();
    if (!where.empty()) view = filter.Run(reader->GetDataSet(), control);
    if (!sort.empty()) view = TRecordSort(sort).Run(reader->GetDataSet(), std::move(view), control);
  }
  auto dataSet = std::make_unique<TViewDataSet>(shown, std::move(view));
  dataSet->Open();
  return dataSet;
}
