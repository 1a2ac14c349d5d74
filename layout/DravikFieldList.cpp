#include "layout/DravikFieldList.h"

#include <algorithm>

#include "layout/TextHelpers.h"
#include "platform/File.h"
#include "support/Convert.h"
#include "support/Text.h"

namespace {

bool IsTrue(std::string_view value) {
  return SameText(value, "TRUE");
}

// Record lengths beyond 32 bits stay beyond every record buffer instead of wrapping.
int32_t ClampedRecordLength(int64_t length) {
  return static_cast<int32_t>(std::clamp<int64_t>(length, INT32_MIN, INT32_MAX));
}

}  // namespace

TDravikFieldList::TDravikFieldList() : defaultField_(std::make_unique<TDravikField>(this)) {
  defaultField_->SetDescription("          , 255");
}

TDravikFieldList::~TDravikFieldList() = default;

void TDravikFieldList::LoadLayout(const std::string& fileName) {
  if (!FileExists(fileName)) return;
  NamingFile(fileName, [&] { LoadLayoutLines(fileName); });
}

void TDravikFieldList::LoadLayoutLines(const std::string& fileName) {
  layoutFileName_ = fileName;
  const std::vector<std::string> lines = LoadTextLines(fileName);
  std::vector<std::string> section;
  GetSectionLines(lines, "Converter", section);
  for (const std::string& line : section) ApplyConverterLine(line);

  ClearFields();
  GetSectionLines(lines, "FIELDDESCRIPTIONS", section);
  // Every line adds its size value as written, also for fields that occupy no record bytes. Summed in 64
  // bits: a sum past 32 bits must not wrap to a plausible record length.
  int64_t length = 0;
  recordLength_ = 0;
  for (const std::string& line : section) {
    const TFieldDescriptionParts parts = ParseFieldDescription(line);
    AddField(line);
    length += parts.sizeValue;
    recordLength_ = ClampedRecordLength(length);
  }
  recordLength_ = ClampedRecordLength(length + 2);
}

void TDravikFieldList::ApplyConverterLine(const std::string& line) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return;
  const std::string key = UpperCase(std::string_view(line).substr(0, equals));
  const std::string_view value = std::string_view(line).substr(equals + 1);
  if (key == "AUTOMATOR") {
    automator_ = IsTrue(value);
  } else if (key == "ANALYZEROUTING") {
    analyzeRouting_ = IsTrue(value);
  } else if (key == "STARTNUMBER") {
    startNumber_ = StrToIntDef(value, startNumber_);
  } else if (key == "BASIS") {
    basis_ = StrToIntDef(value, basis_);
  } else if (key == "FILENAME") {
    // The readers are open already; only the name changes.
    if (!value.empty()) dataFileName_ = std::string(value);
  } else if (key == "BINARYLENGTHINDICATOR") {
    binaryLengthIndicator_ = IsTrue(value);
  }
}

int32_t TDravikFieldList::GetRecordCount() {
  if (recordLength_ == 0) throw EDravikException("Cannot count records: the record length is 0");
  if (!dataReader_ || !dataReader_->IsOpen())
    throw EDravikException("Cannot count records: the data file is not open");
  const int64_t size = dataReader_->FileSize();
  const int64_t length = recordLength_ < 0 ? -static_cast<int64_t>(recordLength_) : recordLength_;
  // Exact round half to even: a floating-point quotient can mistake a near-half for a half.
  int64_t count = size / length;
  const int64_t twiceRest = 2 * (size % length);
  if (twiceRest > length || (twiceRest == length && (count & 1) != 0)) ++count;
  // Record numbers are 32-bit: a file of more records cannot be walked, so it is refused rather than cut.
  if (count > INT32_MAX)
    throw EDravikException("Too many records: " + std::to_string(size) + " bytes hold " +
                           std::to_string(count) + " records of " + std::to_string(length) +
                           " bytes; at most 2147483647 can be shown");
  return static_cast<int32_t>(recordLength_ < 0 ? -count : count);
}

int32_t TDravikFieldList::GetRecordLength() {
  return recordLength_;
}

void TDravikFieldList::SetPosition(int64_t offset) {
  position_ = offset;
}

void TDravikFieldList::ReadFields(std::string& separator) {
  for (const auto& field : fields_) ReadField(*field);
  const std::string_view bytes = RecordReader().ReadBytes(static_cast<int32_t>(recordSeparator_.size()));
  if (separator.size() == bytes.size()) {
    std::copy(bytes.begin(), bytes.end(), separator.begin());
  } else {
    separator.assign(bytes);
  }
}

bool TDravikFieldList::ReadField(TDravikField& field) {
  return BaseReadField(field);
}

bool TDravikFieldList::ReadOtherField(TDravikField& field) {
  if (field.IsVirtual()) return false;
  TFileReader& reader = RecordReader();
  const int32_t size = field.Size();
  if (size >= 1 && size <= 32767) {
    field.SetValue(reader.ReadChars(size));
    return true;
  }
  if (size <= -1 && size >= -32768) {
    int32_t length;
    if (field.IsVariable() && static_cast<TVariableDravikField&>(field).BinaryLengthIndicator()) {
      length = static_cast<unsigned char>(reader.ReadBytes(1)[0]);
    } else {
      length = StrToInt(reader.ReadBytes(-size));
    }
    // A negative length or one beyond the reader's buffer is refused by ReadChars ("Invalid read count"),
    // never cut to fit.
    if (field.directVariable_ && length >= 0 && length <= TFileReader::kMaxCharsCount) {
      const std::string_view bytes = reader.ReadBytes(length);
      static_cast<TVariableDravikField&>(field).StoreBytes(bytes.data(), bytes.size());
    } else {
      field.SetValue(reader.ReadChars(length));
    }
    return true;
  }
  throw EDravikException("Unknown field type");
}

void TDravikFieldList::SetDataFileName(const std::string& fileName) {
  dataFileName_ = fileName;
  dataReader_.reset();
  memoReader_.reset();
  position_ = 0;
  dataReader_ = std::make_unique<TFileReader>();
  memoReader_ = std::make_unique<TFileReader>();
  if (FileExists(fileName)) dataReader_->Open(fileName);
  memoFileName_ = CompanionFileName(fileName, ".rfm");
  if (FileExists(memoFileName_)) memoReader_->Open(memoFileName_);
}

void TDravikFieldList::ClearFields() {
  nameIndex_.clear();
  fields_.clear();
}

void TDravikFieldList::RecordRead(TDravikFieldList& /*list*/, int64_t /*offset*/, int32_t /*length*/) {}

void TDravikFieldList::FetchRecord(TDravikFieldList& /*list*/, int64_t /*offset*/, int32_t& /*length*/) {}

TDravikField* TDravikFieldList::AddField(const std::string& line) {
  std::vector<std::string> parts;
  SplitAt(line, ',', parts);
  if (parts.size() < 2) throw EDravikException("Unexpected field params");
  const auto sizeValue = TryStrToInt(RemoveBlanks(parts[1]));
  if (!sizeValue) throw EDravikException("Invalid field size");
  const int32_t v = *sizeValue;
  std::unique_ptr<TDravikField> field;
  if (v >= -65536 && v <= -32769) {
    field = std::make_unique<TVirtualVariableDravikField>(this);
  } else if (v >= -32768 && v <= -1) {
    field = std::make_unique<TVariableDravikField>(this);
  } else if (v >= 1 && v <= 32767) {
    field = std::make_unique<TDravikField>(this);
  } else if (v >= 32769 && v <= 65535) {
    field = std::make_unique<TVirtualDravikField>(this);
  } else {
    return nullptr;
  }
  field->SetDescription(line);
  if (field->IsVariable())
    static_cast<TVariableDravikField&>(*field).SetBinaryLengthIndicator(binaryLengthIndicator_);
  return &RegisterField(std::move(field));
}

std::string TDravikFieldList::GetIdentificationText() {
  return std::string();
}

void TDravikFieldList::ReadRecord() {
  int32_t length = 0;
  if (OnFetchRecord) {
    OnFetchRecord(*this, position_, length);
  } else {
    FetchRecord(*this, position_, length);
  }
  if (length == 0) {
    const int64_t start = position_;
    TFileReader& reader = RecordReader();
    reader.Seek(start);
    try {
      ReadFields(separator_);
    } catch (...) {
      ThrowNaming(Exception("Error at offset " + std::to_string(start)), reader.FileName());
    }
    length = static_cast<int32_t>(reader.Position() - start);
    if (OnRecordRead) {
      OnRecordRead(*this, start, length);
    } else {
      RecordRead(*this, start, length);
    }
  }
  // A skip length from the callback may be anything; wrap instead of overflowing.
  SetPosition(
      static_cast<int64_t>(static_cast<uint64_t>(position_) + static_cast<uint64_t>(int64_t{length})));
}

void TDravikFieldList::ThrowInvalidFieldNumber() {
  throw EDravikException("Invalid Fieldnumber");
}

size_t TDravikFieldList::TNameHash::operator()(std::string_view name) const noexcept {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a over the upper-cased bytes
  for (char c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return static_cast<size_t>(hash);
}

TDravikField& TDravikFieldList::FieldByName(std::string_view name) const {
  const auto it = nameIndex_.find(name);
  return it != nameIndex_.end() ? *it->second : *defaultField_;
}

TDravikField& TDravikFieldList::RegisterField(std::unique_ptr<TDravikField> field) {
  TDravikField* raw = field.get();
  const auto [entry, added] = nameIndex_.try_emplace(raw->Name(), raw);
  if (!added) throw EStringListError("String list does not allow duplicates");
  // Both lists change or neither does.
  try {
    fields_.push_back(std::move(field));
  } catch (...) {
    nameIndex_.erase(entry);
    throw;
  }
  return *raw;
}

TFileReader& TDravikFieldList::EmptyReader() {
  if (!emptyReader_) emptyReader_ = std::make_unique<TFileReader>();
  return *emptyReader_;
}
