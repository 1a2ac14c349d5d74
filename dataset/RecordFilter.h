#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/RecordView.h"
#include "dataset/ValueText.h"

class TDataSet;
class TField;

// One entry of a query: the column and what its value must be.
//   "L*", "?H", "LH"        the whole value matches; "*" any run of characters, "?" any one character
//   ">=100", "<5", ">", "<=" compared with the rest; numerically when both are numbers, else by text
//   "<>x", "=x"             not equal, equal (the same rule)
// Values and operands are compared without the blanks around them.
struct TFilterEntry {
  std::string FieldName;
  std::string Pattern;
};

// A query parsed against a data set's columns: every entry must hold.
class TRecordFilter {
 public:
  // Raises EDatabaseError "Field 'X' not found" for an entry naming no column of dataSet.
  TRecordFilter(TDataSet& dataSet, const std::vector<TFilterEntry>& entries);
  TRecordFilter(const TRecordFilter&) = delete;
  TRecordFilter& operator=(const TRecordFilter&) = delete;

  // Whether the data set's active row matches; reads the entries' fields of that row.
  bool Matches() const;

  // The records of reader (a data set of its own on the file, at any position) that match, in record
  // order. Reports progress, obeys the cancel flag; an error reading a record ends the pass with it, naming
  // control.FileName where the error names no file.
  TRecordView Run(TDataSet& reader, const TPassControl& control) const;

 private:
  enum class TOperator { Match, Equal, NotEqual, Less, LessOrEqual, Greater, GreaterOrEqual };
  struct TCondition {
    const TField* field;
    TOperator op;
    std::string operand;  // blanks around it removed
    bool numeric;         // the operand is a number
    TDecimal number;      // refers to operand
    size_t column = 0;    // a pass's: the index of its value among the pass's columns
  };
  static void ParseOperand(TCondition& condition);
  bool Holds(const TCondition& condition, std::string_view value) const;
  // Whether a record matches conditions (each with its column of a pass), value(column) giving its values:
  // read in the order of the conditions as far as they hold.
  template <class TValue>
  bool MatchesAll(const std::vector<TCondition>& conditions, const TValue& value) const;

  std::vector<TCondition> conditions_;
  mutable std::string value_;
};
