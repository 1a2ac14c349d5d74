#include "isam/CtreeSession.h"

#include <cstdio>

#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "isam/EngineTexts.h"
#include "support/MessageBox.h"
#include "support/Text.h"

namespace {

struct TSessionState {
  std::unique_ptr<TCtreeSession> session;
  bool terminate = false;
};

TSessionState& State() {
  static TSessionState state;
  return state;
}

std::string TableKey(const TRegisteredTable* table) {
  return std::to_string(reinterpret_cast<uintptr_t>(table));
}

}  // namespace

TCtreeSession::TCtreeSession(std::string instanceName, bool noWindow)
    : instanceName_(std::move(instanceName)), noWindow_(noWindow) {
  tables_.SetSorted(true);
  tables_.SetDuplicates(TDuplicates::dupError);
  databases_.SetSorted(true);
  databases_.SetDuplicates(TDuplicates::dupError);
  BindEngine();
}

TCtreeSession::~TCtreeSession() {
  // Each table unregisters itself as it goes; one that does not is taken off here.
  while (tables_.Count() > 0) {
    TRegisteredTable* first = tables_.PayloadAt(0);
    delete first;
    if (tables_.Count() > 0 && tables_.PayloadAt(0) == first) tables_.Delete(0);
  }
  databases_.Clear();
  ShutdownEngine();
}

bool TCtreeSession::LibraryLoaded() const {
  return EngineLibraryLoaded();
}

void TCtreeSession::ShowError(const std::string& text) const {
  ShowMessageBox({"Error", text, TMessageButtons::mbOK, TMessageKind::mkError});
}

void TCtreeSession::AskToTerminate(const std::string& question) const {
  if (ShowMessageBox({"Warning", question, TMessageButtons::mbYesNo, TMessageKind::mkWarning}) ==
      TMessageResult::mrYes) {
    SetTerminationRequested(true);
  } else {
    WriteLog(question + ": Ignored.");
  }
}

void TCtreeSession::BindEngine() {
  // 1. Load and bind.
  const bool loaded = LoadEngineLibrary();
  const TEngineEntryPoints& entries = EngineEntryPoints();
  engineLevel_ = entries.TestFileNumber ? 6800 : 6600;
  // 2. The no-window flag was given at construction.
  bool failed = false;
  // 3.
  if (!loaded || !entries.InitIsam || !entries.GetCtree || !entries.WhichCtree) {
    ShowError("CTree initialization: LoadLibrary has failed.");
    failed = true;
  } else {
    // 4. An engine instance this process already has is used as it is by a process without window.
    instance_ = entries.WhichCtree();
    if (!(noWindow_ && instance_ != 0)) {
      if (!CheckRedirector()) AskToTerminate("Problems detected - terminate application ?");
      const int16_t code = entries.InitIsam(IndexBuffers, Files, NodeSectors);
      instance_ = entries.WhichCtree();
      if (code != 0) {
        WriteLog("CTree initialization: InitISAM has failed");
        ShowError("CTree initialization: InitISAM has failed\r\nError: " + std::to_string(code) + "\r\n" +
                  GetEngineErrorText(code));
        failed = true;
      }
    }
    // 5.
    status_ = nullptr;
    if (instance_ == 0) {
      WriteLog("CTree initialization: No registered name.");
      ShowError("CTree initialization: No registered name.");
      failed = true;
    } else {
      // 6, 7.
      const auto* record = static_cast<const kwctree::TInstanceRecord*>(entries.GetCtree(instance_));
      if (!record) {
        WriteLog("CTree initialization: GetCTreePointer has failed.");
        ShowError("CTree initialization: GetCTreePointer has failed");
        failed = true;
      } else if (record->Status) {
        status_ = record->Status;
      } else {
        WriteLog("CTree initialization: No instance pointer.");
        ShowError("CTree initialization: No instance pointer.");
        failed = true;
      }
    }
  }
  // 8.
  failed_ = failed;
  if (failed) AskToTerminate("CTree initialization has failed - terminate application ?");
}

bool TCtreeSession::CheckRedirector() {
  return true;
}

void TCtreeSession::ShutdownEngine() {
  if (!noWindow_ && EngineEntryPoints().Ctree)
    CallCtree(kwctree::fnCloseISAM, 0, nullptr, nullptr, nullptr, nullptr, 0);
  status_ = nullptr;
  UnloadEngineLibrary();
}

std::string TCtreeSession::GetEngineStatusText() const {
  if (!status_) return "<";
  // With tables read on several threads, the last call's status, which may be another thread's.
  return "uerr_cod=" + std::to_string(kwctree::LoadStatus(status_->UserErrorCode)) +
         ", sysiocod=" + std::to_string(kwctree::LoadStatus(status_->SystemIoCode)) +
         ", isam_error=" + std::to_string(kwctree::LoadStatus(status_->IsamError));
}

const TDatabaseEntry* TCtreeSession::FindDatabase(std::string_view name) const {
  const std::string wanted = UpperCase(name);
  for (int32_t i = 0; i < databases_.Count(); ++i)
    if (UpperCase(databases_.PayloadAt(i)->Name) == wanted) return databases_.PayloadAt(i).get();
  return nullptr;
}

void TCtreeSession::RegisterTable(TRegisteredTable* table) {
  const auto lock = LockFiles();
  tables_.Add(TableKey(table), table);
}

void TCtreeSession::UnregisterTable(TRegisteredTable* table) {
  const auto lock = LockFiles();
  const int32_t index = tables_.IndexOf(TableKey(table));
  if (index >= 0) tables_.Delete(index);
}

void TCtreeSession::WriteLog(std::string_view message) const {
  WriteEngineLog(message);
}

void TCtreeSession::RaiseEngineError(int16_t code, uint16_t function) const {
  throw ECTreeException("Error " + std::to_string(code) + ", Function " + GetEngineFunctionName(function));
}

TCtreeSession* GetSession() {
  return State().session.get();
}

void InitializeCtreeSession(uint32_t applicationWindow) {
  InitializeEngineEnvironment();
  char handle[9];
  std::snprintf(handle, sizeof handle, "%08X", applicationWindow);
  State().session = std::make_unique<TCtreeSession>(ExecutablePath() + ": " + handle, applicationWindow == 0);
}

void FinalizeCtreeSession() {
  State().session.reset();
  ClearEngineEnvironment();
  SetTerminationRequested(false);
}

bool TerminationRequested() {
  return State().terminate;
}

void SetTerminationRequested(bool requested) {
  State().terminate = requested;
}
