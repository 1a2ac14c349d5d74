#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "isam/CtreeSession.h"
#include "isam/EngineBinding.h"
#include "isam/EngineEnvironment.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

// A shown main window over our engine library, the session's folder a temporary one; message boxes are
// answered with OK and their texts kept. The windows and their tables end before the session does.
class TIsamFormFixture : public testing::Test {
 protected:
  void SetUp() override {
    ::setenv(kEngineLibraryVariable, KW_ENGINE_PATH, 1);
    InitializeCtreeSession(0);
    SetEngineEnvironment(dir_.Path("") + "/", "TESTHOST", dir_.Path("ctreelog.txt"));
    recorder_.emplace(boxes_);
    form_ = std::make_unique<TMainForm>();
    form_->show();
  }
  void TearDown() override {
    // The windows' tables end before the session does.
    form_.reset();
    recorder_.reset();
    FinalizeCtreeSession();
    ::unsetenv(kEngineLibraryVariable);
  }

  TTempDir dir_;
  std::unique_ptr<TMainForm> form_;
  std::vector<std::string> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
};
