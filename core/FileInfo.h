#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "dataset/AbstractDataSet.h"
#include "support/DynamicIntegerArray.h"

class TStadafTypeView;

// The holder that links a file-tree node, the data window showing it and the data set of one file
// (or, for STADAF, of one record type of a file). It creates and owns the data set; the tree node owns
// the holder until the main window goes, so the data set outlives closed windows.
class TFileInfo {
 public:
  // Creates and opens the data set that suits a holder's extension. The default makes a
  // TRFFSubDataSet for ".RFC", a TCtreeDataSet for ".DAT" and a TRFFDataSet for anything else; tests
  // put fakes in its place.
  using TDataSetFactory = std::function<std::unique_ptr<TAbstractDataSet>(const TFileInfo& info)>;
  // Returns the factory it replaces; an empty one restores the default.
  static TDataSetFactory SetDataSetFactory(TDataSetFactory factory);

  // Raises Exception "File not found" when fileName names no existing file; errors of opening the
  // data set propagate. offsets: the records of recordType of a STADAF file; none for RFF and RFC.
  TFileInfo(const std::string& fileName, Ref<IDynamicIntegerArray> offsets, uint8_t recordType,
            const std::string& extension);
  TFileInfo(const TFileInfo&) = delete;
  TFileInfo& operator=(const TFileInfo&) = delete;
  ~TFileInfo();

  // The path as it was given to OpenFile.
  const std::string& FileName() const { return fileName_; }
  // Caption of the data window that shows this holder's data set.
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption) { caption_ = std::move(caption); }
  // Upper-cased, dot included: ".RFF", ".RFC", ".DAF", or ".DAT" for an ISAM table.
  const std::string& Extension() const { return extension_; }
  // STADAF record type 1 … 5; 0 for RFF and RFC.
  uint8_t RecordType() const { return recordType_; }
  const Ref<IDynamicIntegerArray>& Offsets() const { return offsets_; }

  TAbstractDataSet& GetDataSet() const;

 private:
  std::string fileName_;
  std::string caption_;
  std::string extension_;
  uint8_t recordType_ = 0;
  Ref<IDynamicIntegerArray> offsets_;
  // ".DAF": the STADAF field list and the data set reading through it.
  std::unique_ptr<TStadafTypeView> stadaf_;
  // Every other extension, and the data sets that tests put in place.
  std::unique_ptr<TAbstractDataSet> dataSet_;
};
