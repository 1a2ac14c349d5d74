#include "support/DynamicProperties.h"

#include <gtest/gtest.h>

#include <string>

#include "support/Exception.h"
#include "support/ObjectWrapper.h"
#include "tests/support/FailureOf.h"
#include "tests/support/Tracked.h"

namespace {

Ref<IDynamicProperties> Set(const std::string& names,
                            std::initializer_list<std::pair<const char*, const char*>> values) {
  Ref<IDynamicProperties> set = CreateDynamicProperties(names, false);
  for (const auto& [name, value] : values) set->SetValue(name, value);
  return set;
}

TEST(DynamicProperties, DeclaredNamesStartEmpty) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("b a,\"c d\",a", true);
  EXPECT_EQ(props->GetPropertyName(0), "b");
  EXPECT_EQ(props->GetPropertyName(2), "c d");
  EXPECT_EQ(props->GetPropertyName(3), "a");  // declared twice: one value, two names
  EXPECT_EQ(props->GetValueCount(), 3);
  EXPECT_TRUE(props->HasValue("C D"));
  EXPECT_EQ(props->GetValue("a"), "");
  EXPECT_TRUE(props->GetRestricted());
}

TEST(DynamicProperties, RestrictedSetIgnoresUndeclaredNames) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("a,b", true);
  props->SetValue("c", "x");
  EXPECT_EQ(props->GetValue("c"), "");
  EXPECT_EQ(props->GetValueCount(), 2);
  EXPECT_FALSE(props->HasValue("c"));
  props->SetValue("A", "1");
  EXPECT_EQ(props->GetValue("a"), "1");
  EXPECT_EQ(props->GetValueAt(0), "1");
}

TEST(DynamicProperties, UnrestrictedSetAddsNamesInTheOrderFirstSet) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("a,b", false);
  props->SetValue("c", "3");
  props->SetValue("C", "4");
  props->SetValue("a", "1");
  EXPECT_EQ(props->GetPropertyName(2), "c");
  EXPECT_EQ(props->GetValueCount(), 3);
  EXPECT_EQ(props->GetValueAt(2), "4");
  EXPECT_EQ(FailureOf([&] { props->GetPropertyName(3); }), "List index out of bounds (3)");
}

TEST(DynamicProperties, ANameDeclaredTwiceDoesNotJoinTheNamesAgainOnEveryWrite) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("a,a", false);
  props->SetValue("a", "1");
  props->SetValue("a", "2");
  EXPECT_EQ(FailureOf([&] { props->GetPropertyName(2); }), "List index out of bounds (2)");
}

TEST(DynamicProperties, IndexOperationsFailOutsideTheNames) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("a", false);
  EXPECT_EQ(FailureOf([&] { props->GetValueAt(1); }), "List index out of bounds (1)");
  EXPECT_EQ(FailureOf([&] { props->SetValueAt(-1, "x"); }), "List index out of bounds (-1)");
  EXPECT_EQ(FailureOf([&] { props->GetObjectNameAt(0); }), "List index out of bounds (0)");
  props->SetValueAt(0, "v");
  EXPECT_EQ(props->GetValue("a"), "v");
}

TEST(DynamicProperties, TheValuesMapIsReachableAsAStringMap) {
  Ref<IDynamicProperties> props = CreateDynamicProperties("a", true);
  Ref<IStringMap> values = QueryStrict<IStringMap>(props);
  values->SetValue("hidden", "h");  // bypasses the restriction
  EXPECT_EQ(props->GetValue("hidden"), "h");
  EXPECT_EQ(props->GetValueCount(), 2);
  EXPECT_EQ(values->GetText(), "a=\r\nhidden=h\r\n");
}

TEST(DynamicProperties, BlobsAreStoredReplacedAndRemoved) {
  TTracked::alive = 0;
  {
    Ref<IDynamicProperties> props = CreateDynamicProperties("", false);
    EXPECT_FALSE(props->GetObject("none"));
    EXPECT_EQ(props->GetObjectCount(), 0);  // looking up created nothing

    Ref<IBinaryStream> blob = CreateBinaryStream();
    blob->Write("xy", 2);
    props->SetObject("Z", blob);
    props->SetObject("a", MakeTracked());
    EXPECT_EQ(props->GetObject("z"), blob);
    EXPECT_TRUE(props->HasObject("A"));
    EXPECT_EQ(props->GetObjectNameAt(0), "a");
    EXPECT_EQ(FailureOf([&] { props->GetObject("a"); }), "Interface not supported");
    props->SetObject("z", nullptr);
    EXPECT_EQ(props->GetObjectCount(), 1);
  }
  EXPECT_EQ(TTracked::alive, 0);
}

struct CompareCase {
  const char* what;
  Ref<IDynamicProperties> first;
  Ref<IDynamicProperties> second;
  const char* keys;
  int32_t expected;
};

TEST(DynamicProperties, Compare) {
  const CompareCase cases[] = {
      {"equal keys", Set("", {{"k", "1"}, {"m", "x"}}), Set("", {{"k", "1"}, {"m", "x"}}), "k,m", 0},
      {"second key lower", Set("", {{"k", "1"}, {"m", "a"}}), Set("", {{"k", "1"}, {"m", "b"}}), "k m", -2},
      {"second key higher", Set("", {{"k", "1"}, {"m", "b"}}), Set("", {{"k", "1"}, {"m", "a"}}), "k,m", 2},
      {"first key decides", Set("", {{"k", "2"}, {"m", "a"}}), Set("", {{"k", "1"}, {"m", "z"}}), "k,m", 1},
      {"case counts", Set("", {{"k", "a"}}), Set("", {{"k", "B"}}), "k", 1},
      {"bytes unsigned", Set("", {{"k", "\xE4"}}), Set("", {{"k", "z"}}), "k", 1},
      {"absent key", Set("", {{"k", "1"}}), Set("", {{"k", "1"}}), "nothing", 0},
      {"no keys equal", Set("", {{"a", "1"}, {"b", "2"}}), Set("", {{"b", "2"}, {"a", "1"}}), "", 0},
      {"no keys differ", Set("", {{"a", "1"}, {"b", "2"}}), Set("", {{"a", "1"}, {"b", "3"}}), "", -2},
      {"first has fewer", Set("", {{"a", "1"}}), Set("", {{"a", "1"}, {"b", "2"}}), "", -2},
      {"second has fewer", Set("", {{"a", "1"}, {"b", "2"}, {"c", "3"}}), Set("", {{"a", "1"}}), "", 2},
  };
  for (const CompareCase& c : cases)
    EXPECT_EQ(CompareDynamicProperties(c.first, c.second, c.keys), c.expected) << c.what;
}

}  // namespace
