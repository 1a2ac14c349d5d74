#include "app/gridtools/RecordExport.h"

#include <QFile>
#include <QSaveFile>
#include <chrono>
#include <memory>
#include <ostream>
#include <span>
#include <streambuf>
#include <string_view>

#include "app/gridtools/ExportWriteBehind.h"
#include "dataset/DataSet.h"
#include "dataset/RecordValues.h"
#include "dataset/RecordView.h"
#include "dataset/ViewWalk.h"
#include "platform/IdleProcessors.h"
#include "support/Exception.h"

namespace {

// Cancel is looked at once per this many records, progress reported at most once per kProgressInterval.
constexpr int64_t kStride = 1024;
constexpr std::chrono::milliseconds kProgressInterval(25);

using TClock = std::chrono::steady_clock;

double MsSince(TClock::time_point start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

// The writer's large pieces go straight to the file from the encoding thread; a failed write fails the
// stream. A write cut short (the disk full, the file too large) is continued, so that the error that stopped
// it reaches the file's errorString() instead of "Unknown error".
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

// The target file open for writing under a temporary name, with the dump writer on it, written by the calling
// thread or, with writingThread, by a TWriteBehind. Commit renames it into place; destroyed before, it
// removes the temporary file.
class TExportFile {
 public:
  TExportFile(const TExportTarget& target, TExportTimes& times, bool writingThread = false)
      : times_(times),
        file_(target.Path),
        direct_(file_, times),
        behind_(writingThread ? std::make_unique<TWriteBehind>(file_, times) : nullptr),
        stream_(behind_ ? static_cast<std::streambuf*>(behind_.get()) : &direct_),
        writer_(stream_, target.Format) {
    times_.WritingThread = writingThread;
    if (!file_.open(QIODevice::WriteOnly)) Fail();
    if (target.ByteOrderMark && target.Format == TDumpFormat::dfCsv) writer_.WriteByteOrderMark();
  }
  // The writing thread ends before the writer's last output would be queued for it.
  ~TExportFile() {
    if (behind_) behind_->Abandon();
  }

  TDumpWriter& Writer() { return writer_; }

  // Raises the error of a write on the writing thread that failed, so that the export stops at once.
  void CheckWritten() {
    if (behind_ && behind_->Failed()) Fail();
  }

  void Commit() {
    writer_.Flush();
    if (behind_) {
      const auto start = TClock::now();
      if (!behind_->Finish()) Fail();
      times_.FinishMs += MsSince(start);
    }
    const auto start = TClock::now();
    if (!stream_ || !file_.commit()) Fail();
    times_.CommitMs += MsSince(start);
  }

 private:
  [[noreturn]] void Fail() {
    if (behind_) behind_->Abandon();
    const std::string reason =
        behind_ && !behind_->SyncError().empty() ? behind_->SyncError() : file_.errorString().toStdString();
    Exception error("Export failed: " + reason);
    error.SetFileNameOnce(QFile::encodeName(file_.fileName()).toStdString());
    throw error;
  }

  TExportTimes& times_;
  QSaveFile file_;
  TDeviceBuffer direct_;
  std::unique_ptr<TWriteBehind> behind_;
  std::ostream stream_;
  TDumpWriter writer_;
};

// Reports progress now and then by the clock, so that a fast pass does not flood the receiving thread; stops
// the pass when a write on the writing thread failed.
class TProgressClock {
 public:
  TProgressClock(const TPassControl& control, TExportFile& file) : control_(control), file_(file) {}
  void Step(int64_t done, int64_t total) {
    if (done % kStride != 0) return;
    control_.CheckCancel();
    file_.CheckWritten();
    const auto now = TClock::now();
    if (now - last_ < kProgressInterval) return;
    last_ = now;
    control_.Progress(done, total);
  }

 private:
  const TPassControl& control_;
  TExportFile& file_;
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
    const bool writingThread = target.Writing == TExportWriting::ewWritingThread ||
                               (target.Writing == TExportWriting::ewByLoad && IdleProcessors() >= 1);
    TExportFile file(target, spent, writingThread);
    TDumpWriter& writer = file.Writer();
    const std::vector<TDumpColumn> columns = ExportColumns(reader);
    const int32_t count = view ? view->Count() : reader.GetRecordCount();
    writer.WriteHeader(columns, header.RecordType, header.TypeName, count);
    // Values straight from the file's reader where the data set offers that, as kwdump reads them, written as
    // they lie there.
    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader);
    TProgressClock progress(control, file);
    int64_t done = 0;
    if (view) {
      WalkView(*cursor, *view, 1, count, control,
               [&](int32_t position, std::span<const std::string_view> values) {
                 writer.WriteRecord(position, values);
                 progress.Step(++done, count);
               });
    } else {
      // From one record to the next as the grid and kwdump walk the file, so that a partial record after the
      // last counted one is reached too.
      for (; cursor->OnRecord(); cursor->Next()) {
        writer.WriteRecord(done + 1, cursor->Values());
        progress.Step(++done, count);
      }
    }
    writer.WriteFooter();
    control.CheckCancel();
    writer.Flush();
    // Less the encoding thread's waits: write() itself, or a free buffer (the writing thread's write() times
    // are added when it ends, in Commit).
    spent.EncodeMs += MsSince(start) - spent.WriteMs - spent.WaitMs;
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
