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
      if (IndexName) table->SetIndexName(*IndexName);
      table->SetRecordPositions(Positions);
      table->SetGoneRecordsRaise(true);
      // Passes start where their reader stands.
      table->First();
    });
  }
  return reader;
}
