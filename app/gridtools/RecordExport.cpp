#include "app/gridtools/RecordExport.h"

#include <QFile>
#include <QSaveFile>
#include <chrono>
#include <memory>
#include <ostream>
#include <span>
#include <streambuf>
#include <string_view>

#include "dataset/DataSet.h"
#include "dataset/RecordValues.h"
#include "dataset/RecordView.h"
#include "support/Exception.h"

namespace {

// Cancel is looked at once per this many records, progress reported at most once per kProgressInterval.
constexpr int64_t kStride = 1024;
constexpr std::chrono::milliseconds kProgressInterval(25);

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// The writer's large pieces go straight to the file; a failed write fails the stream. A write cut short (the
// disk full, the file too large) is continued, so that the error that stopped it reaches the file's
// errorString() instead of "Unknown error". Written on the encoding thread: on a machine whose processors are
// busy, a writing thread of its own and write-back of the file's pages during the export (with a thread
// syncing behind the writes) cost more processor time than the closing sync they save (measured with
// bench/export_bench.cpp).
class TDeviceBuffer : public std::streambuf {
 public:
  TDeviceBuffer(QIODevice& device, TExportTimes& times) : device_(device), times_(times) {}

 protected:
  std::streamsize xsputn(const char* bytes, std::streamsize count) override {
    const auto start = TClock::now();
    std::streamsize done = 0;
    while (done < count) {
      const qint64 written = device_.write(bytes + done, count - done);
      if (written <= 0) break;
      done += written;
    }
    times_.WriteMs += MsSince(start);
    return done == count ? count : 0;
  }
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return device_.write(&byte, 1) == 1 ? c : traits_type::eof();
  }

 private:
  QIODevice& device_;
  TExportTimes& times_;
};

// The target file open for writing under a temporary name, with the dump writer on it. Commit renames it into
// place; destroyed before, it removes the temporary file.
class TExportFile {
 public:
  TExportFile(const TExportTarget& target, TExportTimes& times)
      : times_(times),
        file_(target.Path),
        buffer_(file_, times),
        stream_(&buffer_),
        writer_(stream_, target.Format) {
    if (!file_.open(QIODevice::WriteOnly)) Fail();
    if (target.ByteOrderMark && target.Format == TDumpFormat::dfCsv) writer_.WriteByteOrderMark();
  }

  TDumpWriter& Writer() { return writer_; }

  void Commit() {
    writer_.Flush();
    const auto start = TClock::now();
    if (!stream_ || !file_.commit()) Fail();
    times_.CommitMs += MsSince(start);
  }

 private:
  [[noreturn]] void Fail() {
    const QString reason = file_.errorString();
    Exception error("Export failed: " + reason.toStdString());
    error.SetFileNameOnce(QFile::encodeName(file_.fileName()).toStdString());
    throw error;
  }

  TExportTimes& times_;
  QSaveFile file_;
  TDeviceBuffer buffer_;
  std::ostream stream_;
  TDumpWriter writer_;
};

// Reports progress now and then by the clock, so that a fast pass does not flood the receiving thread.
class TProgressClock {
 public:
  explicit TProgressClock(const TPassControl& control) : control_(control) {}
  void Step(int64_t done, int64_t total) {
    if (done % kStride != 0) return;
    control_.CheckCancel();
    const auto now = TClock::now();
    if (now - last_ < kProgressInterval) return;
    last_ = now;
    control_.Progress(done, total);
  }

 private:
  const TPassControl& control_;
  TClock::time_point last_{};
};

}  // namespace

std::vector<TDumpColumn> ExportColumns(TDataSet& dataSet) {
  std::vector<TDumpColumn> columns;
  for (const auto& field : dataSet.Fields())
    columns.push_back({field->FieldName(), field->IsBlob(), field->Size()});
  return columns;
}

void ExportRecords(TDataSet& reader, const TRecordView* view, const TExportHeader& header,
                   const TExportTarget& target, const TPassControl& control, TExportTimes* times) {
  TExportTimes ownTimes;
  TExportTimes& spent = times ? *times : ownTimes;
  NamingFile(control.FileName, [&] {
    const auto start = TClock::now();
    TExportFile file(target, spent);
    TDumpWriter& writer = file.Writer();
    const std::vector<TDumpColumn> columns = ExportColumns(reader);
    const int32_t count = view ? view->Count() : reader.GetRecordCount();
    writer.WriteHeader(columns, header.RecordType, header.TypeName, count);
    // Values straight from the file's reader where the data set offers that, as kwdump reads them, written as
    // they lie there.
    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader);
    auto write = [&](int64_t recNo) { writer.WriteRecord(recNo, cursor->Values()); };
    TProgressClock progress(control);
    int64_t done = 0;
    if (view) {
      for (int32_t position = 1; position <= count; ++position) {
        cursor->MoveTo(view->RecordAt(position));
        write(position);
        progress.Step(++done, count);
      }
    } else {
      // From one record to the next as the grid and kwdump walk the file, so that a partial record after the
      // last counted one is reached too.
      for (; cursor->OnRecord(); cursor->Next()) {
        write(done + 1);
        progress.Step(++done, count);
      }
    }
    writer.WriteFooter();
    control.CheckCancel();
    writer.Flush();
    spent.EncodeMs += MsSince(start) - spent.WriteMs;
    file.Commit();
    control.Progress(done, done);
  });
}

void ExportRows(const TExportRows& rows, const TExportHeader& header, const TExportTarget& target) {
  TExportTimes times;
  TExportFile file(target, times);
  TDumpWriter& writer = file.Writer();
  writer.WriteHeader(rows.Columns, header.RecordType, header.TypeName,
                     static_cast<int64_t>(rows.Values.size()));
  for (size_t i = 0; i < rows.Values.size(); ++i) writer.WriteRecord(rows.RecNos[i], rows.Values[i]);
  writer.WriteFooter();
  file.Commit();
}
