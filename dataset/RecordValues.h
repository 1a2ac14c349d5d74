#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class TDataSet;

// A cursor over the records of an open data set that hands out the values of chosen columns as views, for
// passes over a whole file (export, filter, sort). It gives exactly what the data set's fields give
// (TField::GetAsString): the same values, and the same errors at the same steps, since it reads a record
// when the data set's cursor would and a value when a field's value would be asked for. Data sets over files
// (RFF, STADAF) read straight from their layout's reader, without the buffer ring and without allocating
// per value; any other data set is read through its fields.
//
// The cursor starts on the data set's current record and moves the data set (or its reader) as it goes: the
// data set must be used by nothing else while the cursor lives, and is left on an unspecified record.
class TRecordValues {
 public:
  TRecordValues() = default;
  TRecordValues(const TRecordValues&) = delete;
  TRecordValues& operator=(const TRecordValues&) = delete;
  virtual ~TRecordValues() = default;

  // Whether the cursor stands on a record: false on an empty data set and once Next passed the end.
  virtual bool OnRecord() const = 0;
  // The current record's number (as the data set's GetRecNo gives it).
  virtual int32_t RecNo() = 0;
  // To the next record as the data set's Next goes (which, for an RFF file, reaches a partial record after
  // the counted ones); false, and off any record, at the end. Raises what reading that record raises.
  virtual bool Next() = 0;
  // To record recNo (1 ... ) as MoveToRecNo brings the data set there; nothing is read when the cursor
  // stands there already.
  virtual void MoveTo(int32_t recNo) = 0;
  // The value of chosen column i (0 ... number chosen - 1) of the current record, read when first asked for,
  // as the field's value would be; valid until the cursor moves. Raises what asking the field raises.
  virtual std::string_view Value(size_t i) = 0;
  // Every chosen column's value, in the order chosen (Value of each in turn); valid until the cursor moves.
  virtual std::span<const std::string_view> Values() = 0;
  // Values of chosen column i of the current record and of the records after it that the cursor holds in
  // memory already, up to out.size() of them: none when on no record, else the current record's (as Value
  // gives it) and as many more as are held. Nothing moves, so that the same records' values of other columns
  // can be taken alike; where more than one record is held, none of their values fails to read. All stay
  // valid until the cursor moves. For passes that take the values of many records in one step.
  virtual size_t HeldValues(size_t i, std::span<std::string_view> out);
  // Whether HeldValues may hand out more than one record's values; passes take values that way only then.
  virtual bool HoldsRecords() const { return false; }
  // Next, n times; false, off every record, once past the end.
  virtual bool Skip(size_t n);
  // While on, a cursor over a file may read the next stretch of it on a second thread where a processor is
  // idle: for walks through every record in order with Next. Off before moving about with MoveTo.
  virtual void ReadAhead(bool on) { (void)on; }
};

// Room for the values of a run of held records, column by column, for passes that take them with HeldValues.
class THeldRun {
 public:
  // Records a pass asks for at once.
  static constexpr size_t kRecords = 256;

  explicit THeldRun(size_t columns) : values_(columns * kRecords) {}
  // Column column's room for n values.
  std::span<std::string_view> Column(size_t column, size_t n = kRecords) {
    return std::span(values_).subspan(column * kRecords, n);
  }
  // Record k's value in column column.
  std::string_view At(size_t column, size_t k) const { return values_[column * kRecords + k]; }

 private:
  std::vector<std::string_view> values_;
};

// Indexes 0 ... n - 1 of the data set's fields.
std::vector<int32_t> AllColumns(TDataSet& dataSet);

// The index in dataSet.Fields() of the field FieldByName finds; raises as FieldByName does.
int32_t ColumnIndex(TDataSet& dataSet, std::string_view name);

// The fastest cursor the data set offers (TDataSet::CreateRecordValues), else one through its fields.
// columns: indexes into dataSet.Fields(), each valid and none twice. dataSet must be open.
std::unique_ptr<TRecordValues> OpenRecordValues(TDataSet& dataSet, std::span<const int32_t> columns);
inline std::unique_ptr<TRecordValues> OpenRecordValues(TDataSet& dataSet) {
  const std::vector<int32_t> columns = AllColumns(dataSet);
  return OpenRecordValues(dataSet, columns);
}

// The cursor through the data set's fields: the reference every faster cursor must agree with.
std::unique_ptr<TRecordValues> OpenFieldRecordValues(TDataSet& dataSet, std::span<const int32_t> columns);
