#include "support/ConfigStorage.h"

#include <vector>

#include "support/Convert.h"
#include "support/TextLines.h"

namespace {
constexpr char kDefaultSettings[] = "CabinClassMapping=YBFBP\r\nSideTripSupport=0\r\nTranslateQYG=0\r\n";

constinit Ref<IConfigStorage> processStore;
constinit Ref<IStringMap> defaultSettings;
}  // namespace

void* TConfigStorage::QueryInterface(const Guid& iid) {
  if (void* found = QueryAmong<IConfigStorage, IConfigIni>(this, iid)) return found;
  return TStringMapFactory::QueryInterface(iid);
}

void TConfigStorage::AddText(const std::string& text) {
  Ref<IStringMap> section;
  for (const std::string& line : SplitTextLines(text)) {
    const std::string_view trimmed = TrimText(line);
    if (trimmed.empty()) continue;
    if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
      section = GetSection(std::string(trimmed.substr(1, trimmed.size() - 2)));
    } else if (section) {
      section->AddLine(line, -1);
    }
  }
}

void TConfigStorage::GetSectionLines(const std::string& section, TStringList& target) {
  target.Clear();
  const Ref<IStringMap> map = GetSection(section);
  for (int32_t i = 0; i < map->GetCount(); ++i) {
    const std::string name = map->GetName(i);
    target.Add(name + "=" + map->Lookup(name));
  }
}

void TConfigStorage::RemoveSection(const std::string& section) {
  SetSection(section, Ref<IStringMap>());
}

std::string TConfigStorage::ReadString(const std::string& section, const std::string& name,
                                       const std::string& defaultValue) {
  const Ref<IStringMap> map = GetSection(section);
  return map->Contains(name) ? map->Lookup(name) : defaultValue;
}

int32_t TConfigStorage::ReadInteger(const std::string& section, const std::string& name,
                                    int32_t defaultValue) {
  const Ref<IStringMap> map = GetSection(section);
  return map->Contains(name) ? StrToIntDef(map->Lookup(name), defaultValue) : defaultValue;
}

void TConfigStorage::WriteString(const std::string& section, const std::string& name,
                                 const std::string& value) {
  GetSection(section)->SetValue(name, value);
}

void TConfigStorage::WriteInteger(const std::string& section, const std::string& name, int32_t value) {
  WriteString(section, name, std::to_string(value));
}

std::string TConfigStorage::GetSectionNames() const {
  std::vector<std::string> names;
  for (int32_t i = 0; i < GetCount(); ++i) names.push_back(GetNameAt(i));
  return FormatCommaText(names);
}

std::string TConfigStorage::GetSectionCommaText(const std::string& section) {
  return GetSection(section)->GetCommaText();
}

void TConfigStorage::SetSectionCommaText(const std::string& section, const std::string& text) {
  GetSection(section)->SetCommaText(text);
}

std::string TConfigStorage::GetText() {
  std::vector<std::string> lines;
  TStringList sectionLines;
  for (int32_t i = 0; i < GetCount(); ++i) {
    const std::string name = GetNameAt(i);
    GetSectionLines(name, sectionLines);
    if (sectionLines.Count() == 0) continue;
    lines.push_back("[" + name + "]");
    for (int32_t j = 0; j < sectionLines.Count(); ++j) lines.push_back(sectionLines.Name(j));
    lines.emplace_back();
  }
  return JoinTextLines(lines);
}

void TConfigStorage::SetText(const std::string& text) {
  Clear();
  AddText(text);
}

Ref<IConfigStorage> GetConfigStorage() {
  if (!processStore) processStore = MakeRef<IConfigStorage>(new TConfigStorage());
  return processStore;
}

Ref<IStringMap> GetDefaultSettings() {
  if (!defaultSettings) defaultSettings = MakeRef<IStringMap>(new TStringMapper2(kDefaultSettings, true));
  return defaultSettings;
}

void ReleaseConfigStorage() {
  processStore.reset();
  defaultSettings.reset();
}
