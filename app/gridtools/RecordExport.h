#pragma once

#include <QString>
#include <cstdint>
#include <string>
#include <vector>

#include "core/DumpWriter.h"

class TDataSet;
class TRecordView;
struct TPassControl;

// Which thread writes a whole export's output to its file: a writing thread of its own when a processor is
// idle as the export starts, else the encoding thread; or always the one or the other (tests take each way
// whatever the machine's load).
enum class TExportWriting { ewByLoad, ewWritingThread, ewEncodingThread };

// Where and how an export writes.
struct TExportTarget {
  QString Path;
  TDumpFormat Format = TDumpFormat::dfCsv;
  bool ByteOrderMark = false;  // CSV only: the UTF-8 byte order mark first
  TExportWriting Writing = TExportWriting::ewByLoad;
};

// What the JSON Lines header names: the STADAF record type shown, 0 and "None" for other files.
struct TExportHeader {
  int RecordType = 0;
  std::string TypeName;
};

// Rows read beforehand (a grid's selection): the columns, and per row its record number and one 8-bit value
// per column.
struct TExportRows {
  std::vector<TDumpColumn> Columns;
  std::vector<int64_t> RecNos;
  std::vector<std::vector<std::string>> Values;
};

// Where an export's wall time went, in ms. Encoding, the waits of the encoding thread and the closing sync
// follow one another; with a writing thread, write(), the write-back and the syncs behind run alongside.
struct TExportTimes {
  bool WritingThread = false;  // whether a writing thread of its own wrote the output
  double EncodeMs = 0;         // reading and encoding
  double WriteMs = 0;          // write(): the output into the system's cache
  double WaitMs = 0;           // encoding waiting for a free buffer: the writing thread fell behind
  double FinishMs = 0;         // waiting for the writing thread's last writes after encoding
  double CommitMs = 0;         // the closing sync, which waits for the disk, and the rename into place
  double WriteBackMs = 0;      // handing written stretches to the disk
  double SyncMs = 0;           // syncing the file behind the writes
};

// The columns of a data set as kwdump lists them: every field in field order.
std::vector<TDumpColumn> ExportColumns(TDataSet& dataSet);

// Writes every record of reader, or the records of view in its order, with the header and rows that
// `kwdump --format` writes for the same file (and --where/--sort for a view). The file is written through a
// QSaveFile: it appears whole once done, and after an error or a cancel neither it nor a temporary file is
// left, an earlier file of that name unchanged. Progress and the cancel flag as control says; errors of
// reading name control.FileName, errors of writing the target. target.Writing says which thread writes.
// times, where given, receives where the time went.
void ExportRecords(TDataSet& reader, const TRecordView* view, const TExportHeader& header,
                   const TExportTarget& target, const TPassControl& control, TExportTimes* times = nullptr);
// Writes rows the same way, on the calling thread.
void ExportRows(const TExportRows& rows, const TExportHeader& header, const TExportTarget& target);
