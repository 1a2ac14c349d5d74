#include "core/FileInfo.h"

#include "isam/CtreeDataSet.h"
#include "isam/CtreeTable.h"
#include "platform/File.h"
#include "rff/RFFDataSet.h"
#include "rff/RFFSubDataSet.h"
#include "stadaf/StadafFile.h"
#include "support/Exception.h"
#include "support/Text.h"

namespace {

template <class TDataSetClass>
std::unique_ptr<TAbstractDataSet> OpenDataSet(const std::string& fileName) {
  auto dataSet = std::make_unique<TDataSetClass>();
  dataSet->SetFileName(fileName);
  dataSet->Open();
  return dataSet;
}

// An ISAM table, read-only, in the order of its first index.
std::unique_ptr<TAbstractDataSet> OpenTableDataSet(const std::string& fileName) {
  auto table = std::make_unique<TCTreeTable>();
  table->SetTableName(fileName);
  auto dataSet = std::make_unique<TCtreeDataSet>(std::move(table));
  NamingFile(fileName, [&] { dataSet->Open(); });
  return dataSet;
}

std::unique_ptr<TAbstractDataSet> OpenDefaultDataSet(const TFileInfo& info) {
  if (info.Extension() == ".RFC") return OpenDataSet<TRFFSubDataSet>(info.FileName());
  if (info.Extension() == ".DAT") return OpenTableDataSet(info.FileName());
  return OpenDataSet<TRFFDataSet>(info.FileName());
}

TFileInfo::TDataSetFactory& Factory() {
  static TFileInfo::TDataSetFactory factory;
  return factory;
}

}  // namespace

TFileInfo::TDataSetFactory TFileInfo::SetDataSetFactory(TDataSetFactory factory) {
  TDataSetFactory previous = std::move(Factory());
  Factory() = std::move(factory);
  return previous;
}

TFileInfo::TFileInfo(const std::string& fileName, Ref<IDynamicIntegerArray> offsets, uint8_t recordType,
                     const std::string& extension) {
  if (!FileExists(fileName)) throw Exception("File not found");
  fileName_ = fileName;
  extension_ = UpperCase(extension);
  recordType_ = recordType;
  offsets_ = std::move(offsets);
  if (const TDataSetFactory factory = Factory()) {
    dataSet_ = factory(*this);
  } else if (extension_ == ".DAF") {
    stadaf_ = std::make_unique<TStadafTypeView>(fileName_, offsets_, recordType_);
  } else {
    dataSet_ = OpenDefaultDataSet(*this);
  }
  if (!dataSet_ && !stadaf_) throw Exception("No data set for " + fileName_);
}

TFileInfo::~TFileInfo() = default;

TAbstractDataSet& TFileInfo::GetDataSet() const {
  return stadaf_ ? stadaf_->DataSet() : *dataSet_;
}
