#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/CtreeBlocks.h"
#include "isam/CtreeExceptions.h"
#include "support/NameList.h"

// What the session keeps of an open table: the tables register themselves when created and
// unregister when destroyed; at its end the session destroys the ones still registered.
class TRegisteredTable {
 public:
  virtual ~TRegisteredTable() = default;
};

struct TDatabaseEntry {
  std::string Name;
  std::string Folder;
};

// The engine session of the process: binds and starts the engine library, holds what the tables
// share (entry points, engine level, status block, null patterns, open tables), and shuts the engine
// down at its end.
class TCtreeSession {
 public:
  // Binds the engine (BindEngine). noWindow: the process has no application window.
  TCtreeSession(std::string instanceName, bool noWindow);
  ~TCtreeSession();
  TCtreeSession(const TCtreeSession&) = delete;
  TCtreeSession& operator=(const TCtreeSession&) = delete;

  void BindEngine();
  // The check of an old Windows network redirector: nothing to check on this platform.
  bool CheckRedirector();
  void ShutdownEngine();
  std::string GetEngineStatusText() const;
  const TDatabaseEntry* FindDatabase(std::string_view name) const;
  void RegisterTable(TRegisteredTable* table);
  void UnregisterTable(TRegisteredTable* table);
  // Held by a table while it opens or closes its files: the free file number the engine names and the open
  // that takes it are two calls, which a table opened on another thread must not come between.
  std::unique_lock<std::recursive_mutex> LockFiles() const { return std::unique_lock(files_); }
  void WriteLog(std::string_view message) const;
  [[noreturn]] void RaiseEngineError(int16_t code, uint16_t function) const;

  const int16_t Files = 1024;
  const int16_t IndexBuffers = 100;
  const int16_t NodeSectors = 32;
  const std::string& InstanceName() const { return instanceName_; }
  bool LibraryLoaded() const;
  int32_t Instance() const { return instance_; }
  const TNameList<TRegisteredTable*>& Tables() const { return tables_; }
  const TNameList<std::unique_ptr<TDatabaseEntry>>& Databases() const { return databases_; }
  bool NoWindow() const { return noWindow_; }
  const kwctree::TStatusBlock* StatusBlock() const { return status_; }
  int32_t EngineLevel() const { return engineLevel_; }
  bool Failed() const { return failed_; }

  // Null patterns of the field classes.
  const uint8_t BooleanNull = 0xFF;
  const uint8_t CharNull = 0x00;
  const std::string StringNull;
  const int32_t IntegerNull = INT32_MIN;
  const uint8_t DateNull[4] = {0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t FloatNull[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const uint8_t DateTimeNull[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  const int16_t SmallIntNull = INT16_MIN;

 private:
  void ShowError(const std::string& text) const;
  // Asks the terminate question; Yes asks the program to end, No logs the question and ": Ignored.".
  void AskToTerminate(const std::string& question) const;

  std::string instanceName_;
  bool noWindow_;
  int32_t instance_ = 0;
  TNameList<TRegisteredTable*> tables_;
  TNameList<std::unique_ptr<TDatabaseEntry>> databases_;
  const kwctree::TStatusBlock* status_ = nullptr;
  int32_t engineLevel_ = 6600;
  bool failed_ = false;
  mutable std::recursive_mutex files_;  // also guards tables_
};

// The process-wide session; null before start-up creates it and after it ends.
TCtreeSession* GetSession();

// The start-up step: sets the program folder, computer name and log path, then creates the session.
// The instance name is the executable's path, ": " and the application window's handle as 8
// upper-case hexadecimal digits; handle 0 means the process has no application window.
void InitializeCtreeSession(uint32_t applicationWindow);
// Destroys the session and clears the log path and program folder.
void FinalizeCtreeSession();

// A terminate question answered Yes: the program ends as soon as its event loop starts.
bool TerminationRequested();
void SetTerminationRequested(bool requested);
