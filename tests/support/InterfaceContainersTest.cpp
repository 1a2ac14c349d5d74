#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/BinaryStream.h"
#include "support/Exception.h"
#include "support/InterfaceMap.h"
#include "support/InterfaceStringList.h"
#include "support/ObjectWrapper.h"
#include "tests/support/FailureOf.h"
#include "tests/support/Tracked.h"

namespace {

Ref<IInterfaceStringList> NewList() {
  return MakeRef<IInterfaceStringList>(new TInterfaceStringList());
}
Ref<IInterfaceMap> NewMap() {
  return MakeRef<IInterfaceMap>(new TInterfaceMap());
}
Ref<IInterfaceMap> NewStaticMap() {
  return MakeRef<IInterfaceMap>(new TStaticInterfaceMap());
}

std::vector<std::string> Names(const Ref<IInterfaceStringList>& list) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < list->GetCount(); ++i) names.push_back(list->GetName(i));
  return names;
}

std::vector<std::string> Names(const Ref<IInterfaceMap>& map) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < map->GetCount(); ++i) names.push_back(map->GetNameAt(i));
  return names;
}

class ContainerLifetime : public testing::Test {
 protected:
  void SetUp() override { TTracked::alive = 0; }
  void TearDown() override { EXPECT_EQ(TTracked::alive, 0) << "a container kept an object alive"; }
};

TEST(Interfaces, QueryAnswersByIdentifierAndIsEmptyForAnotherInterface) {
  Ref<IInterfaceStringList> list = NewList();
  EXPECT_TRUE(Query<IInterface>(list));
  EXPECT_EQ(Query<IInterfaceStringList>(Query<IInterface>(list)), list);
  EXPECT_FALSE(Query<IInterfaceMap>(list));
  EXPECT_EQ(FailureOf([&] { QueryStrict<IBinaryStream>(list); }), "Interface not supported");

  Ref<IInterfaceMap> staticMap = NewStaticMap();
  EXPECT_TRUE(Query<IStaticInterfaceMap>(staticMap));
  EXPECT_FALSE(Query<IStaticInterfaceMap>(NewMap()));
  EXPECT_EQ(CreateObjectWrapper(-7)->GetValue(), -7);
  EXPECT_FALSE(Query<IBinaryStream>(CreateObjectWrapper(1)));
  EXPECT_TRUE(Query<IBinaryStream>(CreateBinaryStream()));
}

TEST_F(ContainerLifetime, ObjectStoredOnlyInAContainerGoesWhenRemoved) {
  struct Removal {
    const char* how;
    void (*remove)(const Ref<IInterfaceStringList>&);
  };
  const Removal removals[] = {
      {"Delete", [](const Ref<IInterfaceStringList>& l) { l->Delete(0); }},
      {"Clear", [](const Ref<IInterfaceStringList>& l) { l->Clear(); }},
      {"SetInterface", [](const Ref<IInterfaceStringList>& l) { l->SetInterface(0, nullptr); }},
      {"SetText", [](const Ref<IInterfaceStringList>& l) { l->SetText("x"); }},
      {"SetCommaText", [](const Ref<IInterfaceStringList>& l) { l->SetCommaText("x"); }},
      {"last reference", [](const Ref<IInterfaceStringList>&) {}},
  };
  for (const Removal& r : removals) {
    Ref<IInterfaceStringList> list = NewList();
    list->AddInterface("a", MakeTracked());
    EXPECT_EQ(TTracked::alive, 1) << r.how;
    r.remove(list);
    if (std::string(r.how) == "last reference") list.reset();
    EXPECT_EQ(TTracked::alive, 0) << r.how;
  }
}

TEST_F(ContainerLifetime, InterfaceStoredInTwoListsSurvivesRemovalFromOne) {
  Ref<IInterfaceStringList> first = NewList();
  Ref<IInterfaceMap> second = NewMap();
  {
    Ref<IInterface> shared = MakeTracked();
    first->AddInterface("x", shared);
    second->SetItem("x", shared);
    EXPECT_EQ(dynamic_cast<TTracked*>(shared.get())->RefCount(), 3);
  }
  first->Delete(0);
  EXPECT_EQ(TTracked::alive, 1);
  second->SetItem("x", nullptr);
  EXPECT_EQ(TTracked::alive, 0);
}

TEST_F(ContainerLifetime, StoringAnInterfaceOverItselfKeepsIt) {
  Ref<IInterfaceStringList> list = NewList();
  list->AddInterface("a", MakeTracked());
  list->SetInterface(0, list->GetInterface(0));
  EXPECT_EQ(TTracked::alive, 1);
  EXPECT_TRUE(list->GetInterface(0));
}

TEST_F(ContainerLifetime, AddInterfaceOfAPresentNameReplacesAndDropsTheOld) {
  Ref<IInterfaceStringList> list = NewList();
  list->SetSorted(true);
  Ref<IInterface> second = MakeTracked();
  EXPECT_EQ(list->AddInterface("Key", MakeTracked()), 0);
  EXPECT_EQ(list->AddInterface("KEY", second), 0);
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->GetName(0), "Key");
  EXPECT_EQ(list->GetInterface(0), second);
  EXPECT_EQ(TTracked::alive, 1);
}

TEST(InterfaceStringList, AddValueStoresABoxedNumber) {
  Ref<IInterfaceStringList> list = NewList();
  list->AddValue("n", 42);
  EXPECT_EQ(QueryStrict<IObjectWrapper>(list->GetInterface(0))->GetValue(), 42);
  list->Add("empty");
  EXPECT_FALSE(list->GetInterface(1));
}

TEST_F(ContainerLifetime, AddAllCopiesNamesAndSharesInterfaces) {
  Ref<IInterfaceStringList> source = NewList();
  source->AddInterface("b", MakeTracked());
  source->Add("a");
  Ref<IInterfaceStringList> target = NewList();
  target->SetSorted(true);
  EXPECT_EQ(target->AddAll(source), target);
  EXPECT_THAT(Names(target), testing::ElementsAre("a", "b"));
  EXPECT_EQ(target->GetInterface(1), source->GetInterface(0));
  source->AddAll(source);  // adds each present entry once more
  EXPECT_THAT(Names(source), testing::ElementsAre("b", "a", "b", "a"));
}

TEST(InterfaceStringList, AddAllKeepsWhatWasAddedBeforeAFailure) {
  Ref<IInterfaceStringList> source = NewList();
  source->SetCommaText("a,b,c");
  Ref<IInterfaceStringList> target = NewList();
  target->SetSorted(true);
  target->SetDuplicates(TDuplicates::dupError);
  target->Add("b");
  EXPECT_EQ(FailureOf([&] { target->AddAll(source); }), "String list does not allow duplicates");
  EXPECT_THAT(Names(target), testing::ElementsAre("a", "b"));
}

TEST(InterfaceStringList, FailureMessages) {
  Ref<IInterfaceStringList> list = NewList();
  list->SetCommaText("a,b");
  struct Case {
    const char* what;
    void (*call)(const Ref<IInterfaceStringList>&);
    const char* message;
  };
  const Case cases[] = {
      {"GetName", [](const Ref<IInterfaceStringList>& l) { l->GetName(2); }, "List index out of bounds (2)"},
      {"SetName", [](const Ref<IInterfaceStringList>& l) { l->SetName(-1, "x"); },
       "List index out of bounds (-1)"},
      {"GetInterface", [](const Ref<IInterfaceStringList>& l) { l->GetInterface(7); },
       "List index out of bounds (7)"},
      {"SetInterface", [](const Ref<IInterfaceStringList>& l) { l->SetInterface(2, nullptr); },
       "List index out of bounds (2)"},
      {"Insert", [](const Ref<IInterfaceStringList>& l) { l->Insert(3, "x", nullptr); },
       "List index out of bounds (3)"},
  };
  for (const Case& c : cases) EXPECT_EQ(FailureOf([&] { c.call(list); }), c.message) << c.what;

  list->Delete(-1);
  list->Delete(2);
  EXPECT_EQ(list->GetCount(), 2);

  list->SetSorted(true);
  EXPECT_EQ(FailureOf([&] { list->Insert(0, "x", nullptr); }), "Operation not allowed on sorted list");
  EXPECT_EQ(FailureOf([&] { list->SetName(0, "x"); }), "Operation not allowed on sorted list");
  list->SetDuplicates(TDuplicates::dupError);
  EXPECT_EQ(FailureOf([&] { list->Add("A"); }), "String list does not allow duplicates");
}

TEST(InterfaceStringList, InsertPlacesTheEntryAndItsInterface) {
  Ref<IInterfaceStringList> list = NewList();
  list->SetCommaText("a,c");
  Ref<IInterface> item = CreateObjectWrapper(3);
  list->Insert(1, "b", item);
  list->Insert(3, "d", nullptr);
  EXPECT_THAT(Names(list), testing::ElementsAre("a", "b", "c", "d"));
  EXPECT_EQ(list->GetInterface(1), item);
}

TEST(InterfaceStringList, TextForms) {
  Ref<IInterfaceStringList> list = NewList();
  list->SetText("one\r\ntwo\nthree");
  EXPECT_THAT(Names(list), testing::ElementsAre("one", "two", "three"));
  EXPECT_EQ(list->GetText(), "one\r\ntwo\r\nthree\r\n");
  list->SetText("");
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetText(), "");
  EXPECT_EQ(list->GetCommaText(), "");

  list->SetCommaText("a b,\"c d\"");
  EXPECT_THAT(Names(list), testing::ElementsAre("a", "b", "c d"));
  EXPECT_EQ(list->GetCommaText(), "a,b,\"c d\"");
  list->SetCommaText("\"\"");
  EXPECT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->GetCommaText(), "\"\"");

  list->SetSorted(true);
  list->SetText("b\r\na\r\nB");  // duplicates ignored on a sorted list
  EXPECT_THAT(Names(list), testing::ElementsAre("a", "b"));
}

TEST(InterfaceMap, NamesAreSortedAndCompareWithoutLetterCase) {
  Ref<IInterfaceMap> map = NewStaticMap();
  map->SetItem("b", CreateObjectWrapper(2));
  map->SetItem("A", CreateObjectWrapper(1));
  EXPECT_THAT(Names(map), testing::ElementsAre("A", "b"));
  EXPECT_TRUE(map->Contains("a"));
  EXPECT_EQ(QueryStrict<IObjectWrapper>(map->GetItem("B"))->GetValue(), 2);
  EXPECT_EQ(QueryStrict<IObjectWrapper>(map->GetItemAt(0))->GetValue(), 1);
  EXPECT_EQ(FailureOf([&] { map->GetItemAt(2); }), "List index out of bounds (2)");
  EXPECT_EQ(FailureOf([&] { map->GetNameAt(-1); }), "List index out of bounds (-1)");
}

TEST_F(ContainerLifetime, SetItemStoresReplacesAndRemoves) {
  Ref<IInterfaceMap> map = NewStaticMap();
  map->SetItem("absent", nullptr);
  EXPECT_EQ(map->GetCount(), 0);
  map->SetItem("k", MakeTracked());
  Ref<IInterface> replacement = MakeTracked();
  map->SetItem("K", replacement);
  EXPECT_EQ(map->GetCount(), 1);
  EXPECT_EQ(map->GetItem("k"), replacement);
  EXPECT_EQ(TTracked::alive, 1);
  map->SetItem("K", nullptr);
  EXPECT_EQ(map->GetCount(), 0);
  replacement.reset();
  map->SetItem("x", MakeTracked());
  map->Clear();
  EXPECT_EQ(map->GetCount(), 0);
}

TEST(InterfaceMap, GetItemOfAnAbsentNameGoesThroughCreateItem) {
  Ref<IInterfaceMap> creating = NewMap();
  Ref<IInterface> made = creating->GetItem("new");
  EXPECT_TRUE(made);
  EXPECT_EQ(creating->GetCount(), 1);
  EXPECT_EQ(creating->GetItem("NEW"), made);

  Ref<IInterfaceMap> fixed = NewStaticMap();
  EXPECT_FALSE(fixed->GetItem("new"));
  EXPECT_EQ(fixed->GetCount(), 0);
  // The same map through its other interface.
  Ref<IStaticInterfaceMap> asStatic = QueryStrict<IStaticInterfaceMap>(fixed);
  asStatic->SetItem("z", CreateObjectWrapper(1));
  EXPECT_EQ(fixed->GetCount(), 1);
  EXPECT_EQ(asStatic->GetNameAt(0), "z");
}

TEST_F(ContainerLifetime, DestroyingAMapFreesWhatItHolds) {
  Ref<IInterfaceMap> map = NewStaticMap();
  map->SetItem("a", MakeTracked());
  map->SetItem("b", MakeTracked());
  map.reset();
}

}  // namespace
