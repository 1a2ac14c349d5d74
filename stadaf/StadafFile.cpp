#include "stadaf/StadafFile.h"

#include "layout/TextHelpers.h"
#include "stadaf/Stadaf110FieldList.h"
#include "stadaf/Stadaf200FieldList.h"
#include "stadaf/StadafVersion.h"

std::unique_ptr<TStadafFieldList> CreateStadafFieldList(int32_t version) {
  switch (version) {
    case kStadafVersion100:
    case kStadafVersion110:
      return std::make_unique<TStadaf110FieldList>();
    case kStadafVersion200:
      return std::make_unique<TStadaf200FieldList>();
    case kStadafVersion210:
      return std::make_unique<TStadaf210FieldList>();
    default:
      throw EStadafException("Unsupported Stadaf version detected, application shutting down");
  }
}

std::unique_ptr<TStadafFieldList> OpenStadafFieldList(const std::string& fileName) {
  std::unique_ptr<TStadafFieldList> list = CreateStadafFieldList(ProbeStadafVersion(fileName));
  list->SetDataFileName(fileName);
  list->LoadLayout(CompanionFileName(fileName, ".ini"));
  return list;
}

TStadafTypeView::TStadafTypeView(const std::string& fileName, Ref<IDynamicIntegerArray> offsets,
                                 uint8_t recordType)
    : offsets_(std::move(offsets)), recordType_(recordType) {
  fieldList_ = CreateStadafFieldList(ProbeStadafVersion(fileName));
  dataSet_ = std::make_unique<TStadafDataSet>();
  fieldList_->SetDataFileName(fileName);
  fieldList_->LoadLayout(CompanionFileName(fileName, ".ini"));
  dataSet_->Setup(fieldList_.get(), offsets_, recordType_);
  dataSet_->Open();
}

TStadafTypeView::~TStadafTypeView() {
  dataSet_.reset();
  fieldList_.reset();
}
