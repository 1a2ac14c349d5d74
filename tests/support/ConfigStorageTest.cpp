#include "support/ConfigStorage.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Exception.h"
#include "support/InstalledVersions.h"

namespace {

Ref<IConfigIni> NewIni() {
  return MakeRef<IConfigIni>(new TConfigStorage());
}

std::vector<std::string> Lines(const TStringList& list) {
  std::vector<std::string> lines;
  for (int32_t i = 0; i < list.Count(); ++i) lines.push_back(list.Name(i));
  return lines;
}

TEST(ConfigStorage, AddTextReadsSectionsAndUntrimmedSettings) {
  Ref<IConfigIni> ini = NewIni();
  ini->AddText("x=1\r\n[A]\r\nb=2\r\n  c = 3 \r\n[B]\r\n");
  TStringList lines;
  ini->GetSectionLines("A", lines);
  EXPECT_THAT(Lines(lines), testing::ElementsAre("  c = 3 ", "b=2"));
  EXPECT_EQ(ini->ReadString("A", "  c ", "?"), " 3 ");
  EXPECT_EQ(ini->GetSectionNames(), "A,B");
  EXPECT_EQ(ini->GetText(), "[A]\r\n  c = 3 \r\nb=2\r\n\r\n");
}

TEST(ConfigStorage, AddTextMergesAndSetTextReplaces) {
  Ref<IConfigIni> ini = NewIni();
  ini->SetText("[s]\nold=1\nkeep=k\n");
  ini->AddText("\t[S]  \nold=2\nno equals sign\n[ t ]\nn=v");
  EXPECT_EQ(ini->GetText(), "[ t ]\r\nn=v\r\n\r\n[s]\r\nkeep=k\r\nold=2\r\n\r\n");
  ini->SetText("[only]\na=1");
  EXPECT_EQ(ini->GetSectionNames(), "only");
}

TEST(ConfigStorage, ReadsFallBackToTheirDefaults) {
  Ref<IConfigIni> ini = NewIni();
  ini->WriteString("S", "empty", "");
  ini->WriteString("S", "twelve", "12");
  ini->WriteString("S", "bad", "1x");
  ini->WriteInteger("S", "negative", -5);
  struct Case {
    const char* name;
    int32_t expected;
  };
  const Case integers[] = {{"twelve", 12}, {"bad", 7}, {"absent", 7}, {"empty", 7}, {"negative", -5}};
  for (const Case& c : integers) EXPECT_EQ(ini->ReadInteger("S", c.name, 7), c.expected) << c.name;
  EXPECT_EQ(ini->ReadString("S", "absent", "dflt"), "dflt");
  EXPECT_EQ(ini->ReadString("S", "EMPTY", "dflt"), "");
  EXPECT_EQ(ini->ReadString("s", "negative", ""), "-5");
}

TEST(ConfigStorage, ReadingAnAbsentSectionCreatesIt) {
  Ref<IConfigIni> ini = NewIni();
  ini->ReadString("Ghost", "x", "");
  ini->WriteString("Alpha", "a", "1");
  EXPECT_EQ(ini->GetSectionNames(), "Alpha,Ghost");
  EXPECT_EQ(ini->GetText(), "[Alpha]\r\na=1\r\n\r\n");
  ini->RemoveSection("ghost");
  EXPECT_EQ(ini->GetSectionNames(), "Alpha");
  ini->Clear();
  EXPECT_EQ(ini->GetSectionNames(), "");
}

TEST(ConfigStorage, SectionsAsCommaText) {
  Ref<IConfigIni> ini = NewIni();
  ini->SetSectionCommaText("S", "b=2,\"a=x y\",junk");
  EXPECT_EQ(ini->GetSectionCommaText("S"), "\"a=x y\",b=2");
  ini->SetSectionCommaText("S", "c=3");
  EXPECT_EQ(ini->GetSectionCommaText("s"), "c=3");
}

TEST(ConfigStorage, SectionsThroughTheStorageInterface) {
  Ref<IConfigIni> ini = NewIni();
  Ref<IConfigStorage> storage = QueryStrict<IConfigStorage>(ini);
  storage->GetSection("B")->SetValue("k", "v");
  storage->SetSection("A", MakeRef<IStringMap>(new TStringMapper2("z=1", true)));
  EXPECT_EQ(storage->GetCount(), 2);
  EXPECT_EQ(storage->GetNameAt(0), "A");
  EXPECT_EQ(ini->ReadString("a", "Z", ""), "1");
  storage->SetSection("b", nullptr);
  EXPECT_EQ(storage->GetCount(), 1);
  try {
    storage->GetNameAt(1);
    FAIL() << "no failure";
  } catch (const EStringListError& e) {
    EXPECT_EQ(e.Message(), "List index out of bounds (1)");
  }
  EXPECT_TRUE(Query<IStringMapFactory>(storage));
  EXPECT_TRUE(Query<IInterfaceMap>(storage));
}

class ProcessConfiguration : public testing::Test {
 protected:
  void TearDown() override { FinalizeInstalledVersions(); }
};

TEST_F(ProcessConfiguration, OneStoreForTheWholeProcess) {
  Ref<IConfigStorage> first = GetConfigStorage();
  Ref<IConfigStorage> second = GetConfigStorage();
  EXPECT_EQ(first, second);
  QueryStrict<IConfigIni>(first)->WriteString("Converter", "SenderName", "ACME");
  EXPECT_EQ(second->GetSection("converter")->Lookup("sendername"), "ACME");
  FinalizeInstalledVersions();
  EXPECT_EQ(GetConfigStorage()->GetSection("Converter")->Lookup("SenderName"), "");  // a fresh, empty store
}

TEST_F(ProcessConfiguration, DefaultSettings) {
  Ref<IStringMap> settings = GetDefaultSettings();
  EXPECT_EQ(settings, GetDefaultSettings());
  EXPECT_EQ(settings->GetText(), "CabinClassMapping=YBFBP\r\nSideTripSupport=0\r\nTranslateQYG=0\r\n");
  EXPECT_EQ(settings->Lookup("cabinclassmapping"), "YBFBP");
  EXPECT_EQ(settings->Lookup("RoutingStringVersion"), "");
  EXPECT_EQ(settings->Lookup("RuleStringVersion"), "");
}

TEST_F(ProcessConfiguration, InstalledVersionsEnableTheSkellanKeys) {
  int32_t first = 0;
  int32_t second = 0;
  GetValidAmbrelVersion(&first, &second);
  EXPECT_EQ(first, 2600);
  EXPECT_EQ(second, 3100);
  GetValidAmbrelVersion(nullptr, nullptr);

  EXPECT_FALSE(SkellanKeysEnabled());
  InitializeInstalledVersions();
  EXPECT_TRUE(SkellanKeysEnabled());
  FinalizeInstalledVersions();
  EXPECT_FALSE(SkellanKeysEnabled());
}

}  // namespace
