#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Exception.h"
#include "support/InterfaceMap.h"
#include "support/ObjectWrapper.h"
#include "support/StringListContainer.h"
#include "support/StringMap.h"
#include "support/StringMapFactory.h"
#include "support/StringTable.h"
#include "tests/support/FailureOf.h"

namespace {

std::vector<std::string> Names(const TStringMapper& map) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < map.GetCount(); ++i) names.push_back(map.GetName(i));
  return names;
}

std::vector<std::string> Names(const TStringList& list) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
  return names;
}

TStringList ListOf(std::initializer_list<const char*> names) {
  TStringList list;
  for (const char* name : names) list.Add(name);
  return list;
}

TEST(StringMapper, AddLineSplitsAtTheFirstEquals) {
  struct Case {
    const char* line;
    const char* name;
    const char* value;
  };
  const Case cases[] = {{"a=b=c", "a", "b=c"}, {"=x", "", "x"}, {" k = v ", " k ", " v "}, {"n=", "n", ""}};
  for (const Case& c : cases) {
    TStringMapper map;
    EXPECT_EQ(map.AddLine(c.line, -1), -1) << c.line;
    ASSERT_EQ(map.GetCount(), 1) << c.line;
    EXPECT_EQ(map.GetItem(0).name, c.name);
    EXPECT_EQ(map.GetItem(0).value, c.value);
  }
  TStringMapper map;
  EXPECT_EQ(map.AddLine("abc", -1), -1);
  EXPECT_EQ(map.GetCount(), 0);
}

TEST(StringMapper, AddLineAtAPositionOfAnUnsortedMap) {
  struct Case {
    int32_t position;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {1, {"x", "z", "y"}}, {7, {"x", "y", "z"}}, {0, {"z", "x", "y"}}, {-1, {"x", "y", "z"}}};
  for (const Case& c : cases) {
    TStringMapper map("x=\r\ny=\r\n");
    map.AddLine("z=1", c.position);
    EXPECT_EQ(Names(map), c.order) << c.position;
  }
  TStringMapper sorted("x=\r\ny=\r\n", true);
  sorted.AddLine("a=1", 2);  // a sorted map ignores the position
  EXPECT_THAT(Names(sorted), testing::ElementsAre("a", "x", "y"));
}

TEST(StringMapper, SetValueReplacesAndKeepsTheFirstSpelling) {
  TStringMapper map;
  EXPECT_EQ(map.SetValue("KEY", "1"), -1);
  EXPECT_EQ(map.SetValue("Key", "2"), 0);
  EXPECT_EQ(map.GetCount(), 1);
  EXPECT_EQ(map.GetLine(0), "KEY=2");
}

TEST(StringMapper, TextFormsFollowTheSortedOrder) {
  TStringMapper map("b=2\r\na=1", true);
  EXPECT_EQ(map.GetText(), "a=1\r\nb=2\r\n");
  EXPECT_EQ(map.GetCommaText(), "a=1,b=2");
  map.SetCommaText("\"x=a b\",nothing,y=2");
  EXPECT_EQ(map.GetText(), "x=a b\r\ny=2\r\n");
  EXPECT_EQ(map.GetCommaText(), "\"x=a b\",y=2");
  map.SetText("k=v\rno equals\nm=w");
  EXPECT_THAT(Names(map), testing::ElementsAre("k", "m"));
}

TEST(StringMapper, LookupOfAnAbsentNameYieldsTheNameOrNothing) {
  TStringMapper plain("a=1");
  EXPECT_EQ(plain.Lookup("A"), "1");
  EXPECT_EQ(plain.Lookup("Foo"), "Foo");
  Ref<IStringMap> counted = MakeRef<IStringMap>(new TStringMapper2("a=1"));
  EXPECT_EQ(counted->Lookup("a"), "1");
  EXPECT_EQ(counted->Lookup("Foo"), "");
  EXPECT_EQ(counted->GetText(), "a=1\r\n");
}

TEST(StringMapper, IndexFailures) {
  TStringMapper map("a=1");
  EXPECT_EQ(FailureOf([&] { map.GetName(1); }), "List index out of bounds (1)");
  EXPECT_EQ(FailureOf([&] { map.GetItem(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(FailureOf([&] { map.GetLine(3); }), "List index out of bounds (3)");
  EXPECT_EQ(FailureOf([&] { map.AddLine("b=2", -2); }), "List index out of bounds (-2)");
  EXPECT_EQ(map.GetCount(), 1);
}

TEST(StringMap, ContainsRemoveAndIdentity) {
  Ref<IStringMap> map = MakeRef<IStringMap>(new TStringMapper2("b=2\r\na=1", true));
  EXPECT_TRUE(map->Contains("B"));
  EXPECT_EQ(map->Remove("B"), 1);
  EXPECT_EQ(map->Remove("B"), -1);
  EXPECT_FALSE(map->Contains("b"));
  EXPECT_EQ(map->GetCount(), 1);
  Ref<IStringMap> other = MakeRef<IStringMap>(new TStringMapper2());
  EXPECT_NE(map->GetIdentity(), other->GetIdentity());
  EXPECT_EQ(map->GetIdentity().find_first_not_of("0123456789"), std::string::npos);
  map->Clear();
  EXPECT_EQ(map->GetCount(), 0);
}

TEST(StringMapFactory, CreatesAnEmptySortedMapUnderAnAbsentName) {
  Ref<IStringMapFactory> factory = MakeRef<IStringMapFactory>(new TStringMapFactory());
  Ref<IStringMap> made = factory->GetMap("Sec");
  made->SetValue("b", "2");
  made->SetValue("a", "1");
  EXPECT_EQ(factory->GetMap("SEC")->GetText(), "a=1\r\nb=2\r\n");
  EXPECT_EQ(factory->GetCount(), 1);
  EXPECT_EQ(factory->GetMapAt(0), made);

  factory->SetMap("Other", MakeRef<IStringMap>(new TStringMapper2("x=1")));
  EXPECT_EQ(factory->GetNameAt(0), "Other");
  factory->SetMap("other", nullptr);
  EXPECT_EQ(factory->GetCount(), 1);
}

TEST(StringMapFactory, AnEntryThatIsNoStringMapIsRefused) {
  Ref<IStringMapFactory> factory = MakeRef<IStringMapFactory>(new TStringMapFactory());
  Ref<IInterfaceMap> asMap = QueryStrict<IInterfaceMap>(factory);
  asMap->SetItem("n", CreateObjectWrapper(1));
  EXPECT_EQ(FailureOf([&] { factory->GetMap("n"); }), "Interface not supported");
  EXPECT_EQ(FailureOf([&] { factory->GetMapAt(0); }), "Interface not supported");
  EXPECT_EQ(FailureOf([&] { factory->GetMapAt(1); }), "List index out of bounds (1)");
}

TEST(StringListContainer, RunsThroughAllCombinationsFirstListFastest) {
  TStringListContainer container;
  container.AddList(ListOf({"p", "q"}));
  container.AddList(ListOf({"r", "s"}));
  TStringList combination;
  std::vector<std::string> seen;
  while (container.Next()) {
    container.GetCombination(combination);
    seen.push_back(combination.Name(0) + combination.Name(1));
  }
  EXPECT_THAT(seen, testing::ElementsAre("pr", "qr", "ps", "qs"));
  // All choices are back at the first; the next round starts from the first list's second choice.
  EXPECT_TRUE(container.Next());
  container.GetCombination(combination);
  EXPECT_THAT(Names(combination), testing::ElementsAre("q", "r"));
}

TEST(StringListContainer, TwoListsAndTheSpecialCases) {
  TStringListContainer container;
  EXPECT_FALSE(container.Next());
  container.AddList(ListOf({"p", "q"}));
  container.AddList(ListOf({"r"}));
  TStringList combination;
  EXPECT_EQ(FailureOf([&] { container.GetCombination(combination); }), "Invalid combination");
  EXPECT_TRUE(container.Next());
  container.GetCombination(combination);
  EXPECT_THAT(Names(combination), testing::ElementsAre("p", "r"));
  EXPECT_TRUE(container.Next());
  container.GetCombination(combination);
  EXPECT_THAT(Names(combination), testing::ElementsAre("q", "r"));
  EXPECT_FALSE(container.Next());

  container.Clear();
  container.AddList(ListOf({"a"}));
  container.AddList(TStringList());
  EXPECT_FALSE(container.Next());
  EXPECT_EQ(container.Element(0).Index(), -1);
}

TEST(StringListContainer, CombinationsCarryTheObjectPointers) {
  int first = 0;
  int second = 0;
  TStringList choices;
  choices.Add("a", &first);
  choices.Add("b", &second);
  TStringListContainer container;
  container.AddList(choices);
  ASSERT_TRUE(container.Next());
  ASSERT_TRUE(container.Next());
  TStringList combination;
  container.GetCombination(combination);
  EXPECT_EQ(combination.PayloadAt(0), &second);
  EXPECT_EQ(&container.Element(0).Owner(), &container);
}

TEST(StringTable, ColumnsAreNamedByNumberAndTheFirstListOwnsItsObjects) {
  auto object = std::make_shared<int>(5);
  std::weak_ptr<int> watch = object;
  TStringTable table(3);
  EXPECT_EQ(table.ColumnCount(), 3);
  EXPECT_THAT(std::vector<std::string>({table.Columns().Name(0), table.Columns().Name(2)}),
              testing::ElementsAre("0", "2"));
  EXPECT_TRUE(table.Column(1).Sorted());
  EXPECT_EQ(table.Separator(), '|');
  table.FirstList().Add("row", std::move(object));
  EXPECT_EQ(table.FirstList().Add("ROW"), 0);  // sorted, duplicates ignored
  table.ClearFirstList();
  EXPECT_TRUE(watch.expired());
}

}  // namespace
