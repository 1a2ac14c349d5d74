#include "app/gridtools/RecordSearch.h"

#include <algorithm>

#include "dataset/DataSet.h"

namespace {
// Progress and cancellation are looked at once per this many records.
constexpr int32_t kStride = 1024;
}  // namespace

unsigned char FoldCase1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A:  // Š
    case 0x8C:  // Œ
    case 0x8E:  // Ž
      return static_cast<unsigned char>(c + 16);
    case 0x9F:  // Ÿ
      return 0xFF;
    default:
      return c;
  }
}

bool ContainsFolded(std::string_view text, std::string_view folded) {
  if (folded.empty()) return true;
  const auto at = std::search(text.begin(), text.end(), folded.begin(), folded.end(), [](char a, char b) {
    return FoldCase1252(static_cast<unsigned char>(a)) == static_cast<unsigned char>(b);
  });
  return at != text.end();
}

bool StartsWithFolded(std::string_view text, std::string_view folded) {
  const size_t start = std::min(text.find_first_not_of(' '), text.size());
  text.remove_prefix(start);
  if (text.size() < folded.size()) return false;
  for (size_t i = 0; i < folded.size(); ++i)
    if (FoldCase1252(static_cast<unsigned char>(text[i])) != static_cast<unsigned char>(folded[i]))
      return false;
  return true;
}

TSearchHit SearchRecords(TDataSet& reader, const TSearchRequest& request, const TPassControl& control) {
  return NamingFile(control.FileName, [&]() -> TSearchHit {
    CheckViewable(reader);
    std::string folded = request.Text;
    for (char& c : folded) c = static_cast<char>(FoldCase1252(static_cast<unsigned char>(c)));
    std::vector<TField*> fields;
    for (const std::string& name : request.Columns) fields.push_back(&reader.FieldByName(name));
    std::vector<int> all(fields.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i);
    if (request.Backward) std::reverse(all.begin(), all.end());

    const int32_t count = request.View ? request.View->Count() : reader.GetRecordCount();
    const int64_t total =
        request.Backward ? request.From : std::max<int64_t>(int64_t{count} - request.From + 1, 0);
    const int step = request.Backward ? -1 : 1;
    std::string value;
    int64_t done = 0;
    int32_t position = request.From;
    if (position < 1 || (request.View && position > count)) return {};
    // Without a view, the file is walked from one record to the next, which also reaches a partial record
    // after the last counted one, as the grid does.
    MoveToRecNo(reader, request.View ? request.View->RecordAt(position) : position);
    for (const std::vector<int>* columns = &request.FromColumns;; columns = &all) {
      for (const int column : *columns) {
        fields[static_cast<size_t>(column)]->GetAsString(value);
        if (request.Prefix ? StartsWithFolded(value, folded) : ContainsFolded(value, folded))
          return {position, column};
      }
      if (++done % kStride == 0) {
        control.CheckCancel();
        control.Progress(done, total);
      }
      position += step;
      if (request.View) {
        if (position < 1 || position > count) break;
        MoveToRecNo(reader, request.View->RecordAt(position));
      } else {
        reader.MoveBy(step);
        if (request.Backward ? reader.Bof() : reader.Eof()) break;
      }
    }
    control.CheckCancel();
    control.Progress(total, total);
    return {};
  });
}
