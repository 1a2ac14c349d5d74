#include "core/ReaderSource.h"

#include "support/Exception.h"

TReaderSource TReaderSource::For(const TFileInfo& info) {
  TReaderSource source;
  source.FileName = info.FileName();
  source.Offsets = info.Offsets();
  source.RecordType = info.RecordType();
  source.Extension = info.Extension();
  if (const auto* table = dynamic_cast<const TCtreeDataSet*>(&info.GetDataSet())) {
    source.IndexName = table->IndexName();
    source.Positions = table->RecordPositions();
  }
  return source;
}

std::unique_ptr<TFileInfo> TReaderSource::Open() const {
  auto reader = std::make_unique<TFileInfo>(FileName, Offsets, RecordType, Extension);
  if (auto* table = dynamic_cast<TCtreeDataSet*>(&reader->GetDataSet())) {
    NamingFile(FileName, [&] {
      // Both leave the reader on its first record, where passes start.
      if (IndexName) table->SetIndexName(*IndexName);
      if (Positions) table->SetRecordPositions(Positions);
      table->SetGoneRecordsRaise(true);
    });
  }
  return reader;
}
