#include "app/gridtools/ViewPass.h"

#include <QMetaObject>

#include "core/FileInfo.h"

TViewRequest TViewRequest::For(const TFileInfo& info) {
  TViewRequest request;
  request.FileName = info.FileName();
  request.Offsets = info.Offsets();
  request.RecordType = info.RecordType();
  request.Extension = info.Extension();
  return request;
}

TViewPass::TViewPass(QObject* parent) : QObject(parent) {
  qRegisterMetaType<std::shared_ptr<TRecordView>>();
  qRegisterMetaType<std::exception_ptr>();
}

TViewPass::~TViewPass() {
  Stop();
}

void TViewPass::Cancel() {
  if (cancel_) cancel_->store(true);
}

void TViewPass::Stop() {
  if (!thread_) return;
  Cancel();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void TViewPass::Ended() {
  if (!thread_) return;
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void TViewPass::Start(TViewRequest request) {
  Stop();
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  const uint64_t pass = ++pass_;
  // Runs on the thread that started the pass, unless the pass was replaced or this object is gone
  // meanwhile (its destructor waits for the worker, and Qt drops calls queued for a destroyed object).
  auto post = [this, pass](std::function<void()> function) {
    QMetaObject::invokeMethod(
        this,
        [this, pass, function = std::move(function)] {
          if (pass == pass_) function();
        },
        Qt::QueuedConnection);
  };
  thread_ = QThread::create([this, post, cancel = cancel_, request = std::move(request)] {
    std::shared_ptr<TRecordView> result;
    try {
      const TFileInfo reader(request.FileName, request.Offsets, request.RecordType, request.Extension);
      TPassControl control;
      control.Cancel = cancel.get();
      control.FileName = request.FileName;
      TDataSet& dataSet = reader.GetDataSet();
      TRecordView view = TRecordView::All(dataSet.GetRecordCount());
      if (!request.Where.empty()) {
        control.OnProgress = [&](int64_t done, int64_t total) {
          post([=, this] { emit Progress(QStringLiteral("Filtering"), done, total); });
        };
        view = TRecordFilter(dataSet, request.Where).Run(dataSet, control);
      }
      if (!request.Sort.empty()) {
        control.OnProgress = [&](int64_t done, int64_t total) {
          post([=, this] { emit Progress(QStringLiteral("Sorting"), done, total); });
        };
        view = TRecordSort(request.Sort).Run(dataSet, std::move(view), control);
      }
      result = std::make_shared<TRecordView>(std::move(view));
    } catch (const EPassCancelled&) {
      post([this] {
        Ended();
        emit Cancelled();
      });
      return;
    } catch (...) {
      post([this, error = std::current_exception()] {
        Ended();
        emit Failed(error);
      });
      return;
    }
    post([this, result] {
      Ended();
      emit Finished(result);
    });
  });
  thread_->start();
}
