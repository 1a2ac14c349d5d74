#include "platform/InstalledSetting.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/Registry.h"
#include "support/InstalledVersions.h"

namespace {

constexpr char kSkellan[] = "Software\\Corvanelle\\Kestrelwing Skellan\\Paths";
constexpr char kAmbrel[] = "Software\\Corvanelle\\Kestrelwing Ambrel\\Paths";
constexpr TRegistryRoot kUser = TRegistryRoot::rrCurrentUser;
constexpr TRegistryRoot kMachine = TRegistryRoot::rrLocalMachine;

// Where a test puts the value "Data" under the sub-key "Paths".
enum class Place { none, text, number, denied, emptyKey };

struct Layout {
  Place skellanUser = Place::none;
  Place skellanMachine = Place::none;
  Place ambrelUser = Place::none;
  Place ambrelMachine = Place::none;
};

void Put(TMemoryRegistry& registry, TRegistryRoot root, const char* key, Place place,
         const std::string& text) {
  switch (place) {
    case Place::none:
      break;
    case Place::text:
      registry.SetString(root, key, "Data", text);
      break;
    case Place::number:
      registry.SetInteger(root, key, "Data", 1);
      break;
    case Place::denied:
      registry.DenyKey(root, key);
      break;
    case Place::emptyKey:
      registry.AddKey(root, key);
      break;
  }
}

struct Case {
  const char* what;
  bool skellanEnabled;
  Layout layout;
  std::string expected;
};

TEST(InstalledSetting, LooksInSkellanThenAmbrelKeysUserBeforeMachine) {
  const Case cases[] = {
      {"nowhere", true, {}, "<not existing>"},
      {"Skellan user first", true, {Place::text, Place::text, Place::text, Place::text}, "skellan-user"},
      {"Skellan machine", true, {Place::none, Place::text, Place::text, Place::text}, "skellan-machine"},
      {"Ambrel user", true, {Place::emptyKey, Place::denied, Place::text, Place::text}, "ambrel-user"},
      {"Ambrel machine", true, {Place::none, Place::none, Place::emptyKey, Place::text}, "ambrel-machine"},
      {"Skellan keys off", false, {Place::text, Place::text, Place::none, Place::text}, "ambrel-machine"},
      {"Skellan keys off, nowhere",
       false,
       {Place::text, Place::text, Place::none, Place::none},
       "<not existing>"},
      {"failure on the first read", true, {Place::number, Place::text, Place::text, Place::text}, ""},
      {"failure after a miss",
       true,
       {Place::none, Place::number, Place::text, Place::text},
       "<not existing>"},
      {"failure in the Ambrel keys",
       true,
       {Place::none, Place::none, Place::none, Place::number},
       "<not existing>"},
      {"failure with Skellan keys off",
       false,
       {Place::none, Place::none, Place::number, Place::text},
       "<not existing>"},
  };
  for (const Case& c : cases) {
    TMemoryRegistry registry;
    Put(registry, kUser, kSkellan, c.layout.skellanUser, "skellan-user");
    Put(registry, kMachine, kSkellan, c.layout.skellanMachine, "skellan-machine");
    Put(registry, kUser, kAmbrel, c.layout.ambrelUser, "ambrel-user");
    Put(registry, kMachine, kAmbrel, c.layout.ambrelMachine, "ambrel-machine");
    EXPECT_EQ(ReadInstalledSetting(registry, c.skellanEnabled, "Paths", "Data"), c.expected) << c.what;
  }
}

TEST(InstalledSetting, AnEmptyValueIsFound) {
  TMemoryRegistry registry;
  registry.SetString(kUser, kSkellan, "Data", "");
  registry.SetString(kUser, kAmbrel, "Data", "later");
  EXPECT_EQ(ReadInstalledSetting(registry, true, "Paths", "Data"), "");
}

TEST(InstalledSetting, KeyAndValueNamesIgnoreLetterCase) {
  TMemoryRegistry registry;
  registry.SetString(kMachine, "SOFTWARE\\corvanelle\\KESTRELWING AMBREL\\paths", "DATA", "found");
  EXPECT_EQ(ReadInstalledSetting(registry, true, "Paths", "Data"), "found");
}

TEST(InstalledSetting, WithoutARegistryNothingExists) {
  InitializeInstalledVersions();
  EXPECT_EQ(ReadInstalledSetting("Paths", "Data"), "<not existing>");
  FinalizeInstalledVersions();
  EXPECT_EQ(ReadInstalledSetting("Paths", "Data"), "<not existing>");
  EXPECT_EQ(GetSystemRegistry().ReadInteger(kMachine, "System", "Value").status, TRegistryStatus::rsNoKey);
}

TEST(Registry, MemoryRegistryReportsWhatEachReadFound) {
  TMemoryRegistry registry;
  registry.SetInteger(kMachine, "K", "n", 1);
  registry.SetString(kMachine, "K", "s", "t");
  registry.DenyKey(kUser, "K");
  EXPECT_EQ(registry.ReadInteger(kMachine, "k", "N").value, 1);
  EXPECT_EQ(registry.ReadInteger(kMachine, "K", "s").status, TRegistryStatus::rsReadFailed);
  EXPECT_EQ(registry.ReadString(kMachine, "K", "x").status, TRegistryStatus::rsNoValue);
  EXPECT_EQ(registry.ReadString(kUser, "K", "s").status, TRegistryStatus::rsKeyNotOpened);
  EXPECT_EQ(registry.ReadString(kUser, "other", "s").status, TRegistryStatus::rsNoKey);
}

}  // namespace
