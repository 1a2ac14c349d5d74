#pragma once

#include <cstdint>
#include <string>

#include "support/NameList.h"
#include "support/StringMap.h"
#include "support/StringMapFactory.h"

// Named sections of name=value settings; a section is an IStringMap created on first use of its name.
class IConfigStorage : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{B58F64B1-8700-459D-B401-8F8EE222325E}");

  // Creates an empty section when absent.
  virtual Ref<IStringMap> GetSection(const std::string& name) = 0;
  // An empty reference removes the section.
  virtual void SetSection(const std::string& name, const Ref<IStringMap>& section) = 0;
  virtual int32_t GetCount() const = 0;
  // In sorted order; outside 0 to count - 1: "List index out of bounds (%d)".
  virtual std::string GetNameAt(int32_t index) const = 0;
};

// The store as INI-like text: "[section]" header lines, name=value lines, an empty line after each
// section. Every operation taking a section name creates the section when absent.
class IConfigIni : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{5A9E6874-0F8B-41D3-A850-D34063D08B61}");

  virtual void Clear() = 0;
  // Merges the text form into the store; sections and settings it does not mention stay.
  virtual void AddText(const std::string& text) = 0;
  // Empties target, then fills it with the section's lines name=value.
  virtual void GetSectionLines(const std::string& section, TStringList& target) = 0;
  virtual void RemoveSection(const std::string& section) = 0;
  // defaultValue when the section holds no setting of that name.
  virtual std::string ReadString(const std::string& section, const std::string& name,
                                 const std::string& defaultValue) = 0;
  // defaultValue when the setting is absent or not an integer.
  virtual int32_t ReadInteger(const std::string& section, const std::string& name, int32_t defaultValue) = 0;
  virtual void WriteString(const std::string& section, const std::string& name, const std::string& value) = 0;
  virtual void WriteInteger(const std::string& section, const std::string& name, int32_t value) = 0;
  // All section names, empty sections included, as comma text.
  virtual std::string GetSectionNames() const = 0;
  virtual std::string GetSectionCommaText(const std::string& section) = 0;
  virtual void SetSectionCommaText(const std::string& section, const std::string& text) = 0;
  // Sections without settings are left out.
  virtual std::string GetText() = 0;
  virtual void SetText(const std::string& text) = 0;
};

class TConfigStorage : public TStringMapFactory, public IConfigStorage, public IConfigIni {
 public:
  TConfigStorage() = default;

  void* QueryInterface(const Guid& iid) override;

  void Clear() override { TStringMapFactory::Clear(); }
  int32_t GetCount() const override { return TStringMapFactory::GetCount(); }
  std::string GetNameAt(int32_t index) const override { return TStringMapFactory::GetNameAt(index); }
  Ref<IStringMap> GetSection(const std::string& name) override { return GetMap(name); }
  void SetSection(const std::string& name, const Ref<IStringMap>& section) override { SetMap(name, section); }

  void AddText(const std::string& text) override;
  void GetSectionLines(const std::string& section, TStringList& target) override;
  void RemoveSection(const std::string& section) override;
  std::string ReadString(const std::string& section, const std::string& name,
                         const std::string& defaultValue) override;
  int32_t ReadInteger(const std::string& section, const std::string& name, int32_t defaultValue) override;
  void WriteString(const std::string& section, const std::string& name, const std::string& value) override;
  void WriteInteger(const std::string& section, const std::string& name, int32_t value) override;
  std::string GetSectionNames() const override;
  std::string GetSectionCommaText(const std::string& section) override;
  void SetSectionCommaText(const std::string& section, const std::string& text) override;
  std::string GetText() override;
  void SetText(const std::string& text) override;
};

// The process-wide store, created empty on the first call. Nothing loads it, so its readers see their
// defaults unless a caller writes to it.
Ref<IConfigStorage> GetConfigStorage();

// The fixed default settings ("CabinClassMapping", "SideTripSupport", "TranslateQYG"), created on the
// first call; callers use Lookup, which yields an empty text for any other name.
Ref<IStringMap> GetDefaultSettings();

// Drops the process-wide store and the default settings (program end); the next call creates them anew.
void ReleaseConfigStorage();
