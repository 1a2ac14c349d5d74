#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/FileNames.h"

namespace {

namespace fs = std::filesystem;

TEST(FileNames, ExtractFileExtTakesTheLastDotOfTheLastComponent) {
  struct Case {
    const char* name;
    const char* ext;
  };
  const Case cases[] = {
      {"/data/fares.rff", ".rff"},
      {"/data/FARES.RFC", ".RFC"},
      {"/data/archive.tar.gz", ".gz"},
      {"/data.old/README", ""},
      {"noext", ""},
      {"/data/.hidden", ".hidden"},
      {"/data/trailing.", "."},
      {"/data/dir.d/", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
}

class ExpandLongPathNameTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kw_longpath_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    fs::create_directories(root_ + "/Alpha");
    std::ofstream(root_ + "/Alpha/Beta.RFF") << "x";
    fs::create_directories(root_ + "/Gamma");
    fs::create_directories(root_ + "/gamma");
    cwd_ = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(cwd_);
    fs::remove_all(root_);
  }

  std::string root_;
  fs::path cwd_;
};

TEST_F(ExpandLongPathNameTest, GivesTheStoredSpellingOfEveryComponent) {
  struct Case {
    std::string path;
    std::string expected;
  };
  const Case cases[] = {
      {"/Alpha/Beta.RFF", "/Alpha/Beta.RFF"},                  // already stored so
      {"/alpha/beta.rff", "/Alpha/Beta.RFF"},                  // other letter case
      {"/ALPHA/", "/Alpha/"},                                  // a trailing "/" stays
      {"/alpha/./../ALPHA//beta.rff", "/Alpha/Beta.RFF"},      // resolved while made absolute
      {"/gamma", "/gamma"},                                    // an exact match wins
      {"/GAMMA", "/Gamma"},                                    // else the first in byte order
      {"/alpha/Missing/beta.rff", "/Alpha/Missing/beta.rff"},  // the rest from the first miss on
      {"/alpha/beta.rff/more", "/Alpha/Beta.RFF/more"},
  };
  for (const Case& c : cases) EXPECT_EQ(ExpandLongPathName(root_ + c.path), root_ + c.expected) << c.path;
}

TEST_F(ExpandLongPathNameTest, MakesRelativePathsAbsolute) {
  fs::current_path(root_ + "/Alpha");
  const std::string here = fs::current_path().string();
  EXPECT_EQ(ExpandLongPathName("beta.rff"), here + "/Beta.RFF");
  EXPECT_EQ(ExpandLongPathName("../ALPHA/BETA.rff"), here + "/Beta.RFF");
  EXPECT_EQ(ExpandLongPathName("nothing/here.rff"), here + "/nothing/here.rff");
}

TEST(ExpandLongPathName, KeepsTheRoot) {
  EXPECT_EQ(ExpandLongPathName("/"), "/");
}

}  // namespace
