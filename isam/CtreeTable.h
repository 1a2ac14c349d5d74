#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/CtreeBlocks.h"
#include "isam/CtreeFields.h"
#include "isam/CtreeIndexDef.h"
#include "isam/CtreeSession.h"

enum class TFileMode { fmExclusive, fmReadOnly, fmShared };
enum class TLockMode { lmBlocking, lmNoBlocking, lmNone };
enum class TEditMode { emOptimistic, emPessimistic };
enum class TCTreeTableState { ctsInactive, ctsBrowse, ctsEdit, ctsInsert, ctsSetKey, ctsRestructure };

// What to do when an engine operation fails: a set of these bits.
using TErrorAction = uint8_t;
enum : uint8_t { acRetry = 1, acException = 2, acWriteToLogFile = 4 };
// Which definition resources are read from the data file: a set of these bits.
using TRessourceUsage = uint8_t;
enum : uint8_t { reDODA = 1, reIFIL = 2 };

class TCTreeTable;

// Told after each move, open, close and post (with AutoUpdate).
class TCTreeTableObserver {
 public:
  virtual ~TCTreeTableObserver() = default;
  virtual void TableChanged(TCTreeTable& table) = 0;
};

// One table of the ISAM engine: a data file of records, its index files, and the field and index
// definitions stored in the data file. Every engine operation goes through CallEngine and its error
// policy. File names keep the letter case given (the folder, the table name); the extensions the table
// adds are lower case; an existing data file is found in any letter case.
class TCTreeTable : public TRegisteredTable {
 public:
  TCTreeTable();
  ~TCTreeTable() override;
  TCTreeTable(const TCTreeTable&) = delete;
  TCTreeTable& operator=(const TCTreeTable&) = delete;

  // ---- Properties ----
  // The table's name as given, without extension.
  const std::string& TableName() const { return tableName_; }
  void SetTableName(std::string_view name);
  uint16_t ExtensionSize() const { return extensionSize_; }
  void SetExtensionSize(uint16_t size) { extensionSize_ = size; }
  uint16_t IndexExtensionSize() const { return indexExtensionSize_; }
  void SetIndexExtensionSize(uint16_t size) { indexExtensionSize_ = size; }
  TFileMode FileMode() const { return fileMode_; }
  void SetFileMode(TFileMode mode) { fileMode_ = mode; }
  bool VirtualFileHandle() const { return virtualFileHandle_; }
  void SetVirtualFileHandle(bool value) { virtualFileHandle_ = value; }
  bool Active() const { return active_; }
  void SetActive(bool active);
  int FieldCount() const;
  int IndexCount() const { return static_cast<int>(indexes_.size()); }
  const std::string& IndexName() const { return indexName_; }
  void SetIndexName(std::string_view name);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(std::string_view names);
  TErrorAction DefaultErrorAction() const { return defaultErrorAction_; }
  void SetDefaultErrorAction(TErrorAction action) { defaultErrorAction_ = action; }
  int MaxRetryCount() const { return maxRetryCount_; }
  void SetMaxRetryCount(int count);
  std::function<void(TCTreeTable& sender, uint16_t function, int16_t errorCode, TErrorAction& action)>
      OnError;
  TLockMode LockMode() const;
  void SetLockMode(TLockMode mode);
  TEditMode EditMode() const { return editMode_; }
  void SetEditMode(TEditMode mode) { editMode_ = mode; }
  bool ErrorHandlerEnabled() const { return errorHandlerEnabled_; }
  void SetErrorHandlerEnabled(bool enabled);
  bool AutoEdit() const { return autoEdit_; }
  void SetAutoEdit(bool value) { autoEdit_ = value; }
  TLockMode NavigationLockMode() const;
  void SetNavigationLockMode(TLockMode mode);
  TCTreeTableState TableState() const { return state_; }
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(std::string_view name);
  bool AutoRebuild() const { return autoRebuild_; }
  void SetAutoRebuild(bool value) { autoRebuild_ = value; }
  bool AutoUpdate() const { return autoUpdate_; }
  void SetAutoUpdate(bool value) { autoUpdate_ = value; }
  const std::string& DataFileExtension() const { return dataFileExtension_; }
  void SetDataFileExtension(std::string_view extension);
  std::function<void(TCTreeTable& sender, int handledRecords, int totalRecords)> OnRestructureProgress;
  bool UseInternalDeleteFlag() const { return useInternalDeleteFlag_; }
  void SetUseInternalDeleteFlag(bool value);
  TRessourceUsage RessourceUsage() const { return ressourceUsage_; }
  void SetRessourceUsage(TRessourceUsage usage) { ressourceUsage_ = usage; }
  bool MemoryCheck() const { return memoryCheck_; }
  void SetMemoryCheck(bool value) { memoryCheck_ = value; }
  int LastError() const { return lastError_; }
  std::function<void(TCTreeTable& sender, TCTreeTable& restructureTable)> OnRestructureWriteRecord;

  // ---- Virtual operations ----
  // Raises unless editing, inserting or setting a key: the fields' write check.
  virtual void CheckWritable() const;
  // The fields' read hook.
  virtual void BeforeFieldRead(TCtreeField& field);
  virtual int16_t CallEngine(uint16_t function, int16_t file, void* p1, int32_t* plong, void* p2, void* p3,
                             int16_t count);
  virtual void CheckRestructure() const;
  virtual TCtreeFieldClass FieldClassForType(uint16_t dodaType) const;
  virtual bool MemoryCorrupted() const;
  virtual bool ReadStructure(bool openDataFile);
  virtual int16_t BuildNewIndexes();
  virtual int16_t RangeEntry(int16_t keyNumber, int32_t a, int32_t b);
  virtual int32_t GetRecordPosition();
  virtual void SetRecordPosition(int32_t position);

  // ---- Opening and structure ----
  bool Open();
  void Close();
  void RefreshStructure();
  TCtreeField& AddField(const std::string& name, TCtreeFieldClass fieldClass, uint16_t size);
  TCTreeIndexDef& AddIndex(const std::string& name, std::string_view fieldNames);
  void ClearFields();
  void ClearIndexes();
  bool CreateTable();
  void RebuildIndexes();
  bool Restructure();
  // Closes the table and lets its field and index lists change; Post copies the records into the new
  // structure, Cancel drops the change.
  void BeginRestructure();
  // The table name with its folder: the folder of the database named DatabaseName when the name has none.
  std::string GetFullTableName() const;
  std::string DataFileName() const;
  std::string GetNewIndexFileName() const;

  TCtreeField& FieldByName(std::string_view name) const;
  TCtreeField* FindField(std::string_view name) const;
  bool FieldExists(std::string_view name) const { return FindField(name) != nullptr; }
  // The i-th field; the internal delete flag field is not counted.
  TCtreeField& Fields(int i) const;
  // Every field, the internal delete flag field first when there is one.
  const std::vector<std::unique_ptr<TCtreeField>>& AllFields() const { return fields_; }
  TCTreeIndexDef& IndexDefs(int i) const { return *indexes_.at(static_cast<size_t>(i)); }
  TCTreeIndexDef* ActiveIndex() const { return activeIndex_; }
  // The position of the index of that name (letter case aside), or -1.
  int IndexPosition(std::string_view name) const;
  int16_t DataFileNumber() const { return dataFileNumber_; }
  int16_t KeyFileNumber() const { return keyFileNumber_; }
  bool IsVariableLength() const { return isVariableLength_; }
  uint16_t RecordLength() const { return recordLength_; }

  // ---- Records ----
  void First();
  void Last();
  void Next();
  void Prior();
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool NoCurrentRecord() const { return noCurrentRecord_; }
  int32_t RecordCount();
  int16_t ReadVariablePart();
  bool VariablePartLoaded() const { return variablePartLoaded_; }
  bool LockRecord();
  bool UnlockRecord();
  void ClearRecord();

  bool Edit();
  void Insert();
  void Cancel();
  bool Post();

  void SetKey();
  bool GotoKey();
  bool GotoNearest();
  int KeyFieldCount() const { return keyFieldCount_; }
  void SetKeyFieldCount(int count);
  TCtreeField& KeyField(int i) const;

  void AddObserver(TCTreeTableObserver* observer);
  void RemoveObserver(TCTreeTableObserver* observer);

 protected:
  // The error policy for one engine result; returns the action set the caller acts on.
  TErrorAction ApplyErrorPolicy(uint16_t function, int16_t result, bool logAndRaise);
  void WriteLog(const std::string& line) const;
  [[noreturn]] void RaiseEngineError(int16_t result, uint16_t function) const;
  void NotifyObservers();

 private:
  // Turns the error handler off for the engine calls that interpret their results themselves, and
  // restores it from the value last given to the property.
  class THandlerOff {
   public:
    explicit THandlerOff(TCTreeTable& table) : table_(table) { table_.errorHandlerEnabled_ = false; }
    ~THandlerOff() { table_.errorHandlerEnabled_ = table_.savedErrorHandlerEnabled_; }

   private:
    TCTreeTable& table_;
  };
  class TIsamLock;
  uint16_t FileModeValue() const;
  void FillOpenBlock(kwctree::TOpenBlock& block) const;
  void CheckBrowse() const;
  void CheckOpen() const;
  int16_t Move(uint16_t function);
  bool SearchKey(uint16_t function);
  void SelectIndex(int position);
  bool FindIndexByFieldNames(std::string_view names);
  int16_t ReReadCurrent(char* into, bool whole);
  int16_t WriteWholeRecord(uint16_t function);
  int16_t WriteFixedRecord(uint16_t function);
  bool CopyRecordsInto(TCTreeTable& target);
  bool DataFileExists() const;
  void ResetBuffers();
  void LayOutRecord();
  std::vector<char> WholeRecord() const;
  int16_t DeleteTableFiles(int16_t dataFile);

  std::string tableName_;
  uint16_t extensionSize_ = 0;
  uint16_t indexExtensionSize_ = 0;
  TFileMode fileMode_ = TFileMode::fmShared;
  TFileMode savedFileMode_ = TFileMode::fmShared;
  bool virtualFileHandle_ = true;
  bool active_ = false;
  std::string indexName_;
  std::string indexFieldNames_;
  TErrorAction defaultErrorAction_ = acWriteToLogFile;
  int maxRetryCount_ = 100;
  int16_t lockMode_ = kwctree::lvNoWait;
  int16_t navigationLockMode_ = kwctree::lvFree;
  TEditMode editMode_ = TEditMode::emPessimistic;
  bool errorHandlerEnabled_ = true;
  bool savedErrorHandlerEnabled_ = true;
  bool autoEdit_ = false;
  TCTreeTableState state_ = TCTreeTableState::ctsInactive;
  std::string databaseName_;
  bool autoRebuild_ = true;
  bool autoUpdate_ = true;
  std::string dataFileExtension_ = ".dat";
  bool useInternalDeleteFlag_ = true;
  TRessourceUsage ressourceUsage_ = reDODA | reIFIL;
  bool memoryCheck_ = true;
  int lastError_ = 0;

  std::vector<std::unique_ptr<TCtreeField>> fields_;
  std::vector<std::unique_ptr<TCTreeIndexDef>> indexes_;
  int16_t dataFileNumber_ = -1;
  int16_t keyFileNumber_ = -1;
  TCTreeIndexDef* activeIndex_ = nullptr;
  uint16_t recordLength_ = 0;
  std::vector<uint8_t> recordBuffer_;
  std::vector<uint8_t> savedImage_;
  std::vector<uint8_t> compareBuffer_;
  std::vector<uint8_t> nullTemplate_;
  bool isVariableLength_ = false;
  int variableFieldCount_ = 0;
  bool variablePartLoaded_ = false;
  bool bof_ = false;
  bool eof_ = false;
  bool noCurrentRecord_ = false;
  int32_t lockedPosition_ = 0;
  int keyFieldCount_ = 0;
  int pendingIndexCount_ = 0;
  bool refreshing_ = false;
  bool openingFromName_ = false;
  std::vector<TCTreeTableObserver*> observers_;

  // The engine blocks, rebuilt with the structure.
  std::vector<kwctree::TDodaField> doda_;
  std::vector<kwctree::TIndexRecord> indexRecords_;
  kwctree::TIfil ifil_{};
  kwctree::TIsamBlock isamBlock_{};
  std::string ifilName_;
};
