#include "support/NameList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Exception.h"
#include "tests/support/FailureOf.h"

namespace {

std::vector<std::string> Names(const TStringList& list) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < list.Count(); ++i) names.push_back(list.Name(i));
  return names;
}

TStringList SortedList(TDuplicates duplicates, std::initializer_list<const char*> names) {
  TStringList list;
  list.SetSorted(true);
  list.SetDuplicates(duplicates);
  for (const char* name : names) list.Add(name);
  return list;
}

TEST(NameList, LookupIgnoresLetterCaseSortedAndUnsorted) {
  for (const bool sorted : {false, true}) {
    TStringList list;
    list.SetSorted(sorted);
    list.Add("ABC");
    list.Add("x");
    EXPECT_EQ(list.IndexOf("abc"), 0) << sorted;
    EXPECT_EQ(list.IndexOf("X"), 1) << sorted;
    EXPECT_EQ(list.IndexOf("abcd"), -1) << sorted;
  }
}

TEST(NameList, SortedOrderFollowsTheSameComparisonAsEquality) {
  TStringList list;
  list.Add("b");
  list.Add("A");
  list.Add("_");
  list.Add("a1");
  list.SetSorted(true);  // sorts the present entries
  EXPECT_THAT(Names(list), testing::ElementsAre("A", "a1", "b", "_"));
  list.Add("B0");
  EXPECT_THAT(Names(list), testing::ElementsAre("A", "a1", "b", "B0", "_"));
}

TEST(NameList, UnsortedListAppendsEveryNameWhateverThePolicy) {
  TStringList list;
  list.SetDuplicates(TDuplicates::dupError);
  EXPECT_EQ(list.Add("a"), 0);
  EXPECT_EQ(list.Add("A"), 1);
  EXPECT_EQ(list.IndexOf("a"), 0);
}

TEST(NameList, DuplicatesPolicyOnASortedList) {
  TStringList ignore = SortedList(TDuplicates::dupIgnore, {"a", "c"});
  EXPECT_EQ(ignore.Add("C"), 1);
  EXPECT_THAT(Names(ignore), testing::ElementsAre("a", "c"));

  TStringList accept = SortedList(TDuplicates::dupAccept, {"a", "c", "c", "c", "d"});
  EXPECT_EQ(accept.Add("C"), 1);      // before the equal names
  EXPECT_EQ(accept.IndexOf("c"), 1);  // the first of them
  EXPECT_EQ(accept.Count(), 6);

  TStringList error = SortedList(TDuplicates::dupError, {"a", "c"});
  EXPECT_EQ(FailureOf<EStringListError>([&] { error.Add("C"); }), "String list does not allow duplicates");
  EXPECT_EQ(error.Count(), 2);
}

TEST(NameList, IndexFailuresNameTheIndex) {
  TStringList list;
  list.Add("a");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.Name(1); }), "List index out of bounds (1)");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.Name(-1); }), "List index out of bounds (-1)");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.SetName(5, "x"); }), "List index out of bounds (5)");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.PayloadAt(1); }), "List index out of bounds (1)");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.Insert(2, "x"); }), "List index out of bounds (2)");
  list.Insert(1, "z");  // at the count is allowed
  EXPECT_THAT(Names(list), testing::ElementsAre("a", "z"));
}

TEST(NameList, SortedListRefusesPlacingAtAnIndex) {
  TStringList list = SortedList(TDuplicates::dupIgnore, {"a"});
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.Insert(0, "b"); }),
            "Operation not allowed on sorted list");
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.SetName(0, "b"); }),
            "Operation not allowed on sorted list");
  // The sorted check comes first, as for an index that is also out of range.
  EXPECT_EQ(FailureOf<EStringListError>([&] { list.Insert(9, "b"); }),
            "Operation not allowed on sorted list");
}

TEST(NameList, DeleteOutsideTheListIsIgnored) {
  TStringList list;
  list.Add("a");
  list.Delete(-1);
  list.Delete(1);
  EXPECT_EQ(list.Count(), 1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
