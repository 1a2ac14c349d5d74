#pragma once

#include <cstdint>
#include <string>

#include "support/BinaryStream.h"
#include "support/Interface.h"
#include "support/InterfaceMap.h"
#include "support/NameList.h"
#include "support/StringMap.h"

// A property bag: declared property names with text values, plus named binary blobs. A restricted bag
// reads and writes only names its values map already holds (at first the declared ones). Asked for
// IStringMap it hands out its values map itself; calls made there bypass the restriction and the
// names list.
class IDynamicProperties : public virtual IInterface {
 public:
  static constexpr Guid IID = Guid::Parse("{DF3AA72E-C867-46D2-B351-E53F67C5A4AF}");

  virtual bool HasValue(const std::string& name) const = 0;
  virtual bool HasObject(const std::string& name) const = 0;
  virtual int32_t GetValueCount() const = 0;
  virtual int32_t GetObjectCount() const = 0;
  // By position in the names list; outside it: "List index out of bounds (%d)".
  virtual std::string GetValueAt(int32_t index) const = 0;
  virtual void SetValueAt(int32_t index, const std::string& value) = 0;
  // By position in the sorted blob names.
  virtual std::string GetObjectNameAt(int32_t index) const = 0;
  virtual std::string GetPropertyName(int32_t index) const = 0;
  virtual std::string GetValue(const std::string& name) const = 0;
  // Restricted: an unknown name is ignored. Otherwise a name set for the first time joins the names.
  virtual void SetValue(const std::string& name, const std::string& value) = 0;
  // The blob under name, or empty; a stored object that is no binary stream fails with
  // "Interface not supported".
  virtual Ref<IBinaryStream> GetObject(const std::string& name) const = 0;
  // Stores, replaces or (with an empty reference) removes the blob.
  virtual void SetObject(const std::string& name, const Ref<IInterface>& object) = 0;
  virtual bool GetRestricted() const = 0;
  virtual void SetRestricted(bool restricted) = 0;
};

class TDynamicProperties : public TInterfacedObject, public IDynamicProperties {
 public:
  // names: comma text (unquoted blanks separate names as commas do).
  TDynamicProperties(const std::string& names, bool restricted);

  void* QueryInterface(const Guid& iid) override;
  bool HasValue(const std::string& name) const override;
  bool HasObject(const std::string& name) const override;
  int32_t GetValueCount() const override;
  int32_t GetObjectCount() const override;
  std::string GetValueAt(int32_t index) const override;
  void SetValueAt(int32_t index, const std::string& value) override;
  std::string GetObjectNameAt(int32_t index) const override;
  std::string GetPropertyName(int32_t index) const override;
  std::string GetValue(const std::string& name) const override;
  void SetValue(const std::string& name, const std::string& value) override;
  Ref<IBinaryStream> GetObject(const std::string& name) const override;
  void SetObject(const std::string& name, const Ref<IInterface>& object) override;
  bool GetRestricted() const override;
  void SetRestricted(bool restricted) override;

 private:
  TStringList names_;
  Ref<IStringMap> values_;
  bool restricted_;
  Ref<IInterfaceMap> objects_;
};

Ref<IDynamicProperties> CreateDynamicProperties(const std::string& names, bool restricted);

// Orders two property sets by their values, compared byte by byte. keys (comma text) names the values
// to compare, in order; empty keys compare the first set's properties in its order, then the counts.
// The result is 0 or +-(i + 1) for the i-th compared value that differs (or the smaller count + 1).
int32_t CompareDynamicProperties(const Ref<IDynamicProperties>& first, const Ref<IDynamicProperties>& second,
                                 const std::string& keys);
