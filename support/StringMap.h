#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "support/Interface.h"
#include "support/NameList.h"

// One setting of a string map; owned by its map.
struct TStringMapItem {
  std::string name;
  std::string value;
};

// A map from names to text values that reads and writes itself as lines name=value. A plain object:
// whoever creates it frees it, so never take an interface reference to it (the last one would free it).
// A sorted map refuses duplicate names; adding goes through "add or replace", so the refusal never shows.
class TStringMapper : public TInterfacedObject {
 public:
  explicit TStringMapper(const std::string& text = std::string(), bool sorted = false);
  ~TStringMapper() override;

  // Splits line at its first "=" and adds or replaces that setting (position: see SetValueAt); the
  // index of a present name, or -1 for a new name or a line without "=".
  virtual int32_t AddLine(const std::string& line, int32_t position);
  // "name=value" of the setting at index.
  virtual std::string GetLine(int32_t index) const;
  // Every line followed by CR LF.
  virtual std::string GetText() const;
  // Clear, then AddLine of every line at position -1.
  virtual void SetText(const std::string& text);
  virtual std::string GetCommaText() const;
  virtual void SetCommaText(const std::string& text);
  // The value of name; an absent name yields the name itself.
  virtual std::string Lookup(const std::string& name) const;

  void Clear();
  int32_t GetCount() const { return list_.Count(); }
  const TStringMapItem& GetItem(int32_t index) const { return *list_.PayloadAt(index); }
  const std::string& GetName(int32_t index) const { return list_.Name(index); }
  // Adds or replaces; a present name keeps its first spelling. Returns the present index or -1.
  int32_t SetValue(const std::string& name, const std::string& value) { return SetValueAt(name, value, -1); }
  // A decimal number that tells this map from every other live one.
  std::string GetIdentity() const;

 protected:
  // Add or replace. A new name goes to its sorted place, or (unsorted) to the end for position -1 and
  // otherwise to position, lowered to the count when greater.
  int32_t SetValueAt(const std::string& name, const std::string& value, int32_t position);
  // Index of name, or -1.
  int32_t IndexOf(const std::string& name) const { return list_.IndexOf(name); }
  // Removes and frees the setting at index (ignored outside the list).
  void DeleteAt(int32_t index) { list_.Delete(index); }

 private:
  TNameList<std::unique_ptr<TStringMapItem>> list_;
};

// The counted string map; also the interface of a configuration section.
class IStringMap : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{86114EDD-72B4-40B0-9E02-F9FA774F4FCE}");

  virtual void Clear() = 0;
  virtual int32_t AddLine(const std::string& line, int32_t position) = 0;
  // The value, or an empty text when the name is absent.
  virtual std::string Lookup(const std::string& name) const = 0;
  virtual int32_t SetValue(const std::string& name, const std::string& value) = 0;
  virtual bool Contains(const std::string& name) const = 0;
  // Removes and frees the setting; the index it had, or -1.
  virtual int32_t Remove(const std::string& name) = 0;
  virtual int32_t GetCount() const = 0;
  virtual std::string GetName(int32_t index) const = 0;
  virtual std::string GetCommaText() const = 0;
  virtual void SetCommaText(const std::string& text) = 0;
  virtual std::string GetText() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual std::string GetIdentity() const = 0;
};

class TStringMapper2 : public TStringMapper, public IStringMap {
 public:
  explicit TStringMapper2(const std::string& text = std::string(), bool sorted = false)
      : TStringMapper(text, sorted) {}

  void* QueryInterface(const Guid& iid) override;
  void Clear() override { TStringMapper::Clear(); }
  int32_t AddLine(const std::string& line, int32_t position) override {
    return TStringMapper::AddLine(line, position);
  }
  std::string Lookup(const std::string& name) const override;
  int32_t SetValue(const std::string& name, const std::string& value) override {
    return TStringMapper::SetValue(name, value);
  }
  bool Contains(const std::string& name) const override { return IndexOf(name) >= 0; }
  int32_t Remove(const std::string& name) override;
  int32_t GetCount() const override { return TStringMapper::GetCount(); }
  std::string GetName(int32_t index) const override { return TStringMapper::GetName(index); }
  std::string GetCommaText() const override { return TStringMapper::GetCommaText(); }
  void SetCommaText(const std::string& text) override { TStringMapper::SetCommaText(text); }
  std::string GetText() const override { return TStringMapper::GetText(); }
  void SetText(const std::string& text) override { TStringMapper::SetText(text); }
  std::string GetIdentity() const override { return TStringMapper::GetIdentity(); }
};
