#include "dataset/Field.h"

#include <cstring>

#include "dataset/DataSet.h"
#include "support/MemoryStream.h"
#include "support/Text.h"

void TFieldDefs::Add(std::string name, TFieldType type, int32_t size, bool required) {
  defs_.push_back(TFieldDef{std::move(name), type, size, required});
}

TField::TField(TDataSet& dataSet, const TFieldDef& def, int32_t fieldNo, TFieldKind kind)
    : dataSet_(dataSet),
      name_(def.Name),
      type_(def.DataType),
      kind_(kind),
      size_(def.Size),
      fieldNo_(fieldNo) {
  if (type_ == TFieldType::ftString && size_ < 0) throw EDatabaseError("Invalid field size");
}

bool TField::GetData(void* destination) const {
  return dataSet_.GetFieldData(*this, destination);
}

void TField::GetAsString(std::string& out) const {
  out.clear();
  if (IsBlob()) {
    auto stream = dataSet_.CreateBlobStream(*this, TBlobStreamMode::bmRead);
    if (!stream) return;
    if (stream->Size() > 0)
      out.assign(reinterpret_cast<const char*>(stream->Memory()), static_cast<size_t>(stream->Size()));
    if (!out.empty() && out.back() == '\0') out.pop_back();
    return;
  }
  // Made on first use: a layout of many wide fields must not cost their full width before a value is read.
  if (scratch_.empty()) scratch_.resize(static_cast<size_t>(DataSize()));
  if (!GetData(scratch_.data())) return;
  out.assign(scratch_.data(), strnlen(scratch_.data(), scratch_.size()));
}

std::string TField::AsString() const {
  std::string value;
  GetAsString(value);
  return value;
}

TField& TFields::Add(std::unique_ptr<TField> field) {
  fields_.push_back(std::move(field));
  return *fields_.back();
}

TField* TFields::FindField(std::string_view name) const {
  for (const auto& field : fields_)
    if (SameText(field->FieldName(), name)) return field.get();
  return nullptr;
}
