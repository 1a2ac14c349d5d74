#include "support/StringMap.h"

#include <cstdint>
#include <vector>

#include "support/TextLines.h"

TStringMapper::TStringMapper(const std::string& text, bool sorted) {
  list_.SetSorted(sorted);
  list_.SetDuplicates(sorted ? TDuplicates::dupError : TDuplicates::dupIgnore);
  TStringMapper::SetText(text);
}

TStringMapper::~TStringMapper() = default;

int32_t TStringMapper::SetValueAt(const std::string& name, const std::string& value, int32_t position) {
  const int32_t index = list_.IndexOf(name);
  if (index >= 0) {
    list_.PayloadAt(index)->value = value;
    return index;
  }
  auto item = std::make_unique<TStringMapItem>(TStringMapItem{name, value});
  if (list_.Sorted() || position == -1) {
    list_.Add(name, std::move(item));
  } else {
    list_.Insert(position > list_.Count() ? list_.Count() : position, name, std::move(item));
  }
  return -1;
}

int32_t TStringMapper::AddLine(const std::string& line, int32_t position) {
  const size_t equals = line.find('=');
  if (equals == std::string::npos) return -1;
  return SetValueAt(line.substr(0, equals), line.substr(equals + 1), position);
}

std::string TStringMapper::GetLine(int32_t index) const {
  const std::string& name = list_.Name(index);
  return name + "=" + Lookup(name);
}

std::string TStringMapper::GetText() const {
  std::string text;
  for (int32_t i = 0; i < list_.Count(); ++i) {
    text += GetLine(i);
    text += "\r\n";
  }
  return text;
}

void TStringMapper::SetText(const std::string& text) {
  Clear();
  for (const std::string& line : SplitTextLines(text)) AddLine(line, -1);
}

std::string TStringMapper::GetCommaText() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<size_t>(list_.Count()));
  for (int32_t i = 0; i < list_.Count(); ++i) lines.push_back(GetLine(i));
  return FormatCommaText(lines);
}

void TStringMapper::SetCommaText(const std::string& text) {
  Clear();
  for (const std::string& item : ParseCommaText(text)) AddLine(item, -1);
}

std::string TStringMapper::Lookup(const std::string& name) const {
  const int32_t index = list_.IndexOf(name);
  return index >= 0 ? list_.PayloadAt(index)->value : name;
}

void TStringMapper::Clear() {
  list_.Clear();
}

std::string TStringMapper::GetIdentity() const {
  return std::to_string(reinterpret_cast<uintptr_t>(this));
}

void* TStringMapper2::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IStringMap>(this, iid)) return found;
  return TStringMapper::QueryInterface(iid);
}

std::string TStringMapper2::Lookup(const std::string& name) const {
  const int32_t index = IndexOf(name);
  return index >= 0 ? GetItem(index).value : std::string();
}

int32_t TStringMapper2::Remove(const std::string& name) {
  const int32_t index = IndexOf(name);
  DeleteAt(index);
  return index;
}
