#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>
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
class TIsamFormFixture : public TShownFormTest<> {
 protected:
  void SetUp() override {
    ::setenv(kEngineLibraryVariable, KW_ENGINE_PATH, 1);
    InitializeCtreeSession(0);
    SetEngineEnvironment(dir_.Path("") + "/", "TESTHOST", dir_.Path("ctreelog.txt"));
    TShownFormTest::SetUp();
  }
  // Runs the event loop until done holds; false after 10 s.
  static bool Wait(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
  }
  void TearDown() override {
    // The windows' tables end before the session does.
    TShownFormTest::TearDown();
    FinalizeCtreeSession();
    ::unsetenv(kEngineLibraryVariable);
  }
};
