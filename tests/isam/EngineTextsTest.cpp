#include <gtest/gtest.h>

#include "isam/EngineTexts.h"

namespace {

TEST(EngineTexts, ErrorTextsOfTheListedCodes) {
  struct Case {
    int32_t code;
    const char* text;
  };
  const Case cases[] = {
      {0, "Successful operation."},
      {2, "Key value already exists in index."},
      {10, "InitCTree parameters require too much space."},
      {11, "Bad InitCTree parameter(s): either bufs < 3, idxs <0, sect <1, or dats < 0."},
      {12,
       "Could not open file. Either file does not exist, filnam points to incorrect file name, or file is "
       "locked by another process. See Appendix B for additional information."},
      {22,
       "filno out of range: 0 <= filno < fils where fils is 2nd InitCTree parameter. This error may occur if "
       "c-tree has not been initialized (via InitISAM, OpenISAM, CreateISAM or InitCTree). Remember"},
      {100, "No current ISAM record for data file isam_fil."},
      {101,
       "Could not satisfy ISAM search request for index isam_fil. See appendix B for additional "
       "information."},
      {160,
       "Multi-user interference: key value changed between index search andsubsequent data record read."},
      {1, "<unexpected error code>"},
      {9, "<unexpected error code>"},
      {121, "<unexpected error code>"},
      {999, "<unexpected error code>"},
      {-1, "<unexpected error code>"},
      {100000, "<unexpected error code>"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetEngineErrorText(c.code), c.text) << c.code;
}

TEST(EngineTexts, EveryListedCodeHasADescriptionAndNoOtherDoes) {
  int listed = 0;
  for (int32_t code = -5; code < 1100; ++code)
    if (GetEngineErrorText(code) != "<unexpected error code>") ++listed;
  EXPECT_EQ(listed, 388);
  for (int32_t code :
       {3, 120, 122, 156, 158, 203, 206, 240, 400, 408, 430, 453, 496, 506, 576, 968, 984, 998})
    EXPECT_NE(GetEngineErrorText(code), "<unexpected error code>") << code;
  for (int32_t code :
       {121, 157, 204, 205, 223, 224, 229, 234, 241, 409, 431, 454, 470, 497, 523, 577, 971, 991, 995})
    EXPECT_EQ(GetEngineErrorText(code), "<unexpected error code>") << code;
}

TEST(EngineTexts, FunctionNames) {
  struct Case {
    uint16_t number;
    const char* name;
  };
  const Case cases[] = {
      {1, "UpdateFileMode"},
      {12, "CloseCtFile"},
      {338, "GetRecord"},
      {339, "GetGTERecord"},
      {926, "CurrentFileOffset"},
      {2236, "TransformKey"},
      {8457, "CloseISAM"},
      {9156, "OpenFileWithResource"},
      {12655, "InitISAM"},
      {19144, "KeyAtPercentile"},
      {8542, "<unexpected function number>"},
      {0, "<unexpected function number>"},
      {2, "<unexpected function number>"},
      {65535, "<unexpected function number>"},
  };
  for (const Case& c : cases) EXPECT_EQ(GetEngineFunctionName(c.number), c.name) << c.number;
  int named = 0;
  for (uint32_t n = 0; n <= 65535; ++n)
    if (GetEngineFunctionName(static_cast<uint16_t>(n)) != "<unexpected function number>") ++named;
  EXPECT_EQ(named, 131);
}

}  // namespace
