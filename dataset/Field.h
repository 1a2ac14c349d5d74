#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/DataSetTypes.h"

class TDataSet;

// One column as a data set describes it before its fields exist.
struct TFieldDef {
  std::string Name;
  TFieldType DataType = TFieldType::ftString;
  int32_t Size = 0;
  bool Required = false;
};

class TFieldDefs {
 public:
  void Clear() { defs_.clear(); }
  void Add(std::string name, TFieldType type, int32_t size, bool required = false);
  int32_t Count() const { return static_cast<int32_t>(defs_.size()); }
  const TFieldDef& operator[](int32_t i) const { return defs_[static_cast<size_t>(i)]; }
  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

 private:
  std::vector<TFieldDef> defs_;
};

// A field object bound to its data set; values are read from the data set's active row.
class TField {
 public:
  TField(TDataSet& dataSet, const TFieldDef& def, int32_t fieldNo, TFieldKind kind = TFieldKind::fkData);

  TDataSet& DataSet() const { return dataSet_; }
  const std::string& FieldName() const { return name_; }
  int32_t FieldNo() const { return fieldNo_; }
  TFieldType DataType() const { return type_; }
  TFieldKind FieldKind() const { return kind_; }
  int32_t Size() const { return size_; }
  // Bytes the field takes in a record buffer: a string of n characters and its zero byte; blobs none.
  int32_t DataSize() const { return IsBlob() ? 0 : size_ + 1; }
  bool IsBlob() const { return type_ == TFieldType::ftMemo; }
  // Offset of a calculated field's null flag and value in the calculated-field area.
  int32_t Offset() const { return offset_; }
  void SetOffset(int32_t offset) { offset_ = offset; }

  // Copies the field's bytes of the active row; false when there is no value.
  bool GetData(void* destination) const;
  // The value as text: a string up to its first zero byte; a memo's blob stream without its final
  // zero byte. Reuses out's storage.
  void GetAsString(std::string& out) const;
  std::string AsString() const;

 private:
  TDataSet& dataSet_;
  std::string name_;
  TFieldType type_;
  TFieldKind kind_;
  int32_t size_;
  int32_t fieldNo_;
  int32_t offset_ = 0;
  mutable std::vector<char> scratch_;
};

class TFields {
 public:
  void Clear() { fields_.clear(); }
  TField& Add(std::unique_ptr<TField> field);
  int32_t Count() const { return static_cast<int32_t>(fields_.size()); }
  TField& operator[](int32_t i) const { return *fields_[static_cast<size_t>(i)]; }
  // Letter case is ignored, as for every name in the system.
  TField* FindField(std::string_view name) const;
  auto begin() const { return fields_.begin(); }
  auto end() const { return fields_.end(); }

 private:
  std::vector<std::unique_ptr<TField>> fields_;
};
