#include "dataset/RecordFilter.h"

#include <algorithm>

#include "dataset/DataSet.h"
#include "dataset/RecordValues.h"

namespace {
// Progress and cancellation are looked at once per this many records.
constexpr int64_t kStride = 4096;
}  // namespace

TRecordFilter::TRecordFilter(TDataSet& dataSet, const std::vector<TFilterEntry>& entries) {
  // Reserved: a number refers to its operand's characters, which must not move.
  conditions_.reserve(entries.size());
  for (const TFilterEntry& entry : entries) {
    TCondition condition{&dataSet.FieldByName(entry.FieldName), TOperator::Match, {}, false, {}};
    std::string_view pattern = entry.Pattern;
    struct TPrefix {
      std::string_view text;
      TOperator op;
    };
    // Two-character operators first, so that "<=" is not read as "<" and "=…".
    static constexpr TPrefix kPrefixes[] = {
        {"<>", TOperator::NotEqual}, {">=", TOperator::GreaterOrEqual}, {"<=", TOperator::LessOrEqual},
        {"=", TOperator::Equal},     {">", TOperator::Greater},         {"<", TOperator::Less},
    };
    for (const TPrefix& prefix : kPrefixes)
      if (pattern.starts_with(prefix.text)) {
        condition.op = prefix.op;
        pattern.remove_prefix(prefix.text.size());
        break;
      }
    condition.operand = std::string(ComparableText(pattern));
    ParseOperand(conditions_.emplace_back(std::move(condition)));
  }
}

void TRecordFilter::ParseOperand(TCondition& condition) {
  condition.number = TDecimal();
  condition.numeric = condition.op != TOperator::Match && condition.number.Parse(condition.operand);
}

bool TRecordFilter::Holds(const TCondition& condition, std::string_view value) const {
  if (condition.op == TOperator::Match) return WildcardMatch(value, condition.operand);
  int order = 0;
  TDecimal number;
  if (condition.numeric && number.Parse(value)) {
    order = number.Compare(condition.number);
  } else {
    const int c = value.compare(condition.operand);
    order = c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  switch (condition.op) {
    case TOperator::Equal:
      return order == 0;
    case TOperator::NotEqual:
      return order != 0;
    case TOperator::Less:
      return order < 0;
    case TOperator::LessOrEqual:
      return order <= 0;
    case TOperator::Greater:
      return order > 0;
    case TOperator::GreaterOrEqual:
      return order >= 0;
    case TOperator::Match:
      break;
  }
  return false;
}

bool TRecordFilter::Matches() const {
  for (const TCondition& condition : conditions_) {
    condition.field->GetAsString(value_);
    if (!Holds(condition, ComparableText(value_))) return false;
  }
  return true;
}

template <class TValue>
bool TRecordFilter::MatchesAll(const std::vector<TCondition>& conditions, const TValue& value) const {
  for (const TCondition& condition : conditions)
    if (!Holds(condition, ComparableText(value(condition.column)))) return false;
  return true;
}

TRecordView TRecordFilter::Run(TDataSet& reader, const TPassControl& control) const {
  return NamingFile(control.FileName, [&] {
    CheckViewable(reader);
    // The conditions read the columns of the reader, not of the data set they were parsed against; a column
    // that several conditions name is read once per record.
    std::vector<TCondition> conditions = conditions_;
    std::vector<int32_t> columns;
    for (TCondition& condition : conditions) {
      const int32_t index = ColumnIndex(reader, condition.field->FieldName());
      const auto known = std::find(columns.begin(), columns.end(), index);
      condition.column = static_cast<size_t>(known - columns.begin());
      if (known == columns.end()) columns.push_back(index);
      ParseOperand(condition);
    }
    const int64_t total = reader.GetRecordCount();
    TRecordView view;
    reader.First();
    const std::unique_ptr<TRecordValues> cursor = OpenRecordValues(reader, columns);
    cursor->ReadAhead(true);
    // Per column, the values of the records the cursor holds: most records are matched from here, in runs.
    THeldRun held(columns.size());
    int32_t recNo = 0;
    const bool runs = cursor->HoldsRecords() && !conditions.empty();
    while (cursor->OnRecord()) {
      // Column 0 is the first condition's.
      size_t n = runs ? cursor->HeldValues(0, held.Column(0)) : 1;
      if (n > 1) {
        for (size_t column = 1; column < columns.size(); ++column)
          n = std::min(n, cursor->HeldValues(column, held.Column(column, n)));
      }
      for (size_t k = 0; k < n; ++k) {
        ++recNo;
        if (recNo % kStride == 0) {
          control.CheckCancel();
          control.Progress(recNo, total);
        }
        // A single record (all a cursor may hold) reads its further columns as far as the conditions hold.
        const bool matches =
            n > 1 ? MatchesAll(conditions, [&](size_t column) { return held.At(column, k); })
                  : MatchesAll(conditions, [&](size_t column) { return cursor->Value(column); });
        if (matches) view.Append(recNo);
      }
      if (runs)
        cursor->Skip(n);
      else
        cursor->Next();
    }
    control.CheckCancel();
    control.Progress(recNo, total);
    view.ShrinkToFit();
    return view;
  });
}
