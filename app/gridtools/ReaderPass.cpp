#include "app/gridtools/ReaderPass.h"

#include <QMetaObject>

#include "core/FileInfo.h"

TReaderPass::TReaderPass(QObject* parent) : QObject(parent) {
  qRegisterMetaType<std::exception_ptr>();
}

TReaderPass::~TReaderPass() {
  Stop();
}

void TReaderPass::Cancel() {
  if (cancel_) cancel_->store(true);
}

void TReaderPass::Stop() {
  if (!thread_) return;
  Cancel();
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void TReaderPass::Ended() {
  if (!thread_) return;
  thread_->wait();
  delete thread_;
  thread_ = nullptr;
}

void TReaderPass::Start(TReaderSource source, TWork work) {
  Stop();
  cancel_ = std::make_shared<std::atomic<bool>>(false);
  const uint64_t pass = ++pass_;
  // Runs on the thread that started the pass, unless the pass was replaced or this object is gone
  // meanwhile (its destructor waits for the worker, and Qt drops calls queued for a destroyed object).
  TPost post = [this, pass](std::function<void()> function) {
    QMetaObject::invokeMethod(
        this,
        [this, pass, function = std::move(function)] {
          if (pass == pass_) function();
        },
        Qt::QueuedConnection);
  };
  thread_ =
      QThread::create([this, post, cancel = cancel_, source = std::move(source), work = std::move(work)] {
        std::function<void()> outcome;
        try {
          const std::unique_ptr<TFileInfo> reader = source.Open();
          TPassControl control;
          control.Cancel = cancel.get();
          control.FileName = source.FileName;
          outcome = work(reader->GetDataSet(), control, post);
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
        // Cancelled after the work was done but before its outcome was handed over: it is not.
        post([this, cancel, outcome = std::move(outcome)] {
          Ended();
          if (cancel->load())
            emit Cancelled();
          else if (outcome)
            outcome();
        });
      });
  thread_->start();
}
