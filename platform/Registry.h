#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

// Read access to the system registry, where the platform has one.
enum class TRegistryRoot { rrCurrentUser, rrLocalMachine };

// What a read found. A key or value that does not exist is not a failure; a key that exists but
// cannot be opened, and a value that cannot be read as asked (for example not a string), are.
enum class TRegistryStatus { rsFound, rsNoKey, rsNoValue, rsKeyNotOpened, rsReadFailed };

template <class T>
struct TRegistryRead {
  TRegistryStatus status = TRegistryStatus::rsNoKey;
  T value{};
};

class TRegistry {
 public:
  virtual ~TRegistry() = default;
  virtual TRegistryRead<std::string> ReadString(TRegistryRoot root, const std::string& key,
                                                const std::string& name) const = 0;
  virtual TRegistryRead<int32_t> ReadInteger(TRegistryRoot root, const std::string& key,
                                             const std::string& name) const = 0;
};

// A platform without a registry: every key is absent.
class TNoRegistry final : public TRegistry {
 public:
  TRegistryRead<std::string> ReadString(TRegistryRoot, const std::string&,
                                        const std::string&) const override {
    return {};
  }
  TRegistryRead<int32_t> ReadInteger(TRegistryRoot, const std::string&, const std::string&) const override {
    return {};
  }
};

// A registry held in memory, for tests. Key and value names compare without regard to letter case.
class TMemoryRegistry final : public TRegistry {
 public:
  void SetString(TRegistryRoot root, const std::string& key, const std::string& name,
                 const std::string& value);
  void SetInteger(TRegistryRoot root, const std::string& key, const std::string& name, int32_t value);
  // Creates the key without values.
  void AddKey(TRegistryRoot root, const std::string& key);
  // The key exists but opening it fails.
  void DenyKey(TRegistryRoot root, const std::string& key);

  TRegistryRead<std::string> ReadString(TRegistryRoot root, const std::string& key,
                                        const std::string& name) const override;
  TRegistryRead<int32_t> ReadInteger(TRegistryRoot root, const std::string& key,
                                     const std::string& name) const override;

 private:
  struct TValue {
    bool isString = false;
    std::string text;
    int32_t number = 0;
  };
  struct TKey {
    bool denied = false;
    std::map<std::string, TValue, bool (*)(const std::string&, const std::string&)> values{&LessText};
  };
  static bool LessText(const std::string& a, const std::string& b);
  struct TKeyLess {
    bool operator()(const std::tuple<TRegistryRoot, std::string>& a,
                    const std::tuple<TRegistryRoot, std::string>& b) const;
  };

  // The key and the value, or the status that ends the read before the value.
  TRegistryStatus Find(TRegistryRoot root, const std::string& key, const std::string& name,
                       const TValue*& value) const;

  std::map<std::tuple<TRegistryRoot, std::string>, TKey, TKeyLess> keys_;
};

// The registry of this platform: none on Linux.
const TRegistry& GetSystemRegistry();
