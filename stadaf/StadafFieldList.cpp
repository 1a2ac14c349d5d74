#include "stadaf/StadafFieldList.h"

#include <algorithm>

#include "layout/FileReader.h"
#include "layout/TextHelpers.h"
#include "stadaf/RecordSkipPlan.h"
#include "stadaf/StadafNewHeader.h"
#include "stadaf/StadafStructField.h"
#include "support/Convert.h"
#include "support/TextLines.h"

namespace {

constexpr int32_t kEntrySize = 37;
constexpr int32_t kTextLengthDigits = 5;

TStadafStructField* AsStructField(TDravikField& field) {
  if (!field.IsVariable() || field.Size() != 0) return nullptr;
  return dynamic_cast<TStadafStructField*>(&field);
}

}  // namespace

TStadafFieldList::TStadafFieldList(std::string_view versionText, int32_t countWidth, bool zeroPadSenderCode)
    : transformer_(std::make_unique<TTransformer>()),
      header_(NewStadafFixedPart(versionText, zeroPadSenderCode)),
      countWidth_(countWidth) {
  header_.append(static_cast<size_t>(countWidth_), '0');
  SetRecordSeparator("\r");
}

TStadafFieldList::~TStadafFieldList() = default;

void TStadafFieldList::LoadLayout(const std::string& /*fileName*/) {
  ReadHeader();
}

bool TStadafFieldList::ReadField(TDravikField& field) {
  if (TStadafStructField* structure = AsStructField(field)) {
    structure->ReadFromRecord(RecordReader());
    return true;
  }
  return BaseReadField(field);
}

void TStadafFieldList::ClearFields() {
  TDravikFieldList::ClearFields();
  transformer_->ClearRules();
  skipPlansStale_ = true;
}

TDravikField* TStadafFieldList::AddField(const std::string& line) {
  skipPlansStale_ = true;
  if (TDravikField* field = TDravikFieldList::AddField(line)) return field;
  auto structure = std::make_unique<TStadafStructField>(this);
  structure->SetDescription(line);
  return &RegisterField(std::move(structure));
}

std::string TStadafFieldList::GetIdentificationText() {
  const std::string_view name = std::string_view(header_).substr(kSenderNameAt, kSenderNameSize);
  return std::string(name.substr(0, std::min(name.find('\0'), name.size())));
}

TDravikField* TStadafFieldList::AddFieldFromEntry(std::string_view entry) {
  return AddFieldFromEntryOfSize(entry, kEntrySize);
}

TDravikField* TStadafFieldList::AddFieldFromEntryOfSize(std::string_view entry, size_t size) {
  if (entry.size() != size || entry[size - 1] != '\r')
    throw EStadafException(std::string(entry) + ": Unexpected field description");
  const auto fieldSize = TryStrToInt(entry.substr(1, 5));
  if (!fieldSize) throw EStadafException("Invalid field size");
  const std::string_view rawName = entry.substr(6, 30);
  const std::string name = RemoveBlanks(rawName);
  std::string line;
  switch (entry[0]) {
    case 'D':
      line = name + ", " + std::to_string(-static_cast<int64_t>(*fieldSize));
      break;
    case 'F':
      line = name + ", " + std::to_string(*fieldSize);
      break;
    case 'S':
      line = name + ", " + std::to_string(*fieldSize) + ", 0";
      break;
    default:
      throw EStadafException(std::string(rawName) + ": Unknown field type");
  }
  return AddField(line);
}

void TStadafFieldList::SetRecordCountText(const std::string& text) {
  const auto width = static_cast<size_t>(countWidth_);
  std::string count = PadLeftZeros(text, countWidth_).substr(0, width);
  header_.replace(kFixedPartSize, width, count);
}

TFileReader& TStadafFieldList::HeaderReader(bool requireReader) {
  if (requireReader && (DataReader() == nullptr || !DataReader()->IsOpen()))
    throw EStadafException("No FileReader initalized");
  return RecordReader();
}

void TStadafFieldList::ReadFixedPart(TFileReader& reader) {
  dataStart_ = 0;
  headerLines_.clear();
  reader.Seek(0);
  header_ = reader.ReadString(kFixedPartSize + countWidth_);
}

void TStadafFieldList::ReadHeaderEnd(TFileReader& reader) {
  // A negative length counts as no text, like one that is no number.
  const int32_t length = std::max(0, StrToIntDef(reader.ReadBytes(kTextLengthDigits), 0));
  headerLines_ = SplitTextLines(reader.ReadString(length));
  if (reader.OpenedSize() - reader.Position() < 2) throw EStadafException("Header incomplete");
  if (reader.ReadBytes(2) != "\r\n") throw EStadafException("Header corrupted");
  dataStart_ = reader.Position();
  SetPosition(dataStart_);
}

int32_t TStadafFieldList::SkipRecords(int64_t* offsets, uint8_t* keys, int32_t max) {
  for (int32_t n = 0; n < max; ++n) {
    offsets[n] = Position();
    keys[n] = SkipRecord();
  }
  return max;
}

void TStadafFieldList::SkipRecordAt(int64_t start, const TRecordSkipPlan& plan, bool crRequired) {
  TFileReader& reader = RecordReader();
  reader.Seek(start);
  // A record wholly inside the read-ahead window with plainly valid fields passes without a call per field;
  // anything else takes the checked path below, which raises the errors.
  const std::string_view window = reader.WindowedBytes();
  const size_t length = plan.SkipInMemory(window.data(), window.size());
  if (length != 0 && length < window.size() && (!crRequired || window[length] == '\r')) {
    reader.Advance(length + 1);
    SetPosition(start + static_cast<int64_t>(length) + 1);
    return;
  }
  try {
    plan.Skip(reader);
    const std::string_view separator = reader.ReadBytes(1);
    if (crRequired && separator[0] != '\r') throw EStadafException("Unexpected end of record");
  } catch (...) {
    throw Exception("Error at offset " + std::to_string(start));
  }
  SetPosition(reader.Position());
}
