#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QSettings>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/gridtools/GridContextMenu.h"
#include "app/gridtools/GridDisplay.h"
#include "app/gridtools/GridFind.h"
#include "app/gridtools/GridMenuTools.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

// Columns of the flags file.
constexpr int kNo = 0;
constexpr int kFlag = 1;
constexpr int kCity = 2;
constexpr int kFlagsRecords = 300;

// An RFF file of kFlagsRecords records: NO (the record number), FLAG "1" for odd and "0" for even numbers,
// CITY "City <n>", except records 150 "Paris", 170 "Parma" and 260 "  perth" (leading blanks).
inline std::string FlagsRecords() {
  std::string bytes;
  for (int n = 1; n <= kFlagsRecords; ++n) {
    std::string city = "City " + std::to_string(n);
    if (n == 150) city = "Paris";
    if (n == 170) city = "Parma";
    if (n == 260) city = "  perth";
    char record[64];
    std::snprintf(record, sizeof record, "%06d%d%-16s\r\n", n, n % 2, city.c_str());
    bytes += record;
  }
  return bytes;
}

// A main form with the flags file open in one window; message boxes recorded.
class TFlagsWindowFixture {
 public:
  TFlagsWindowFixture() : recorder_(boxes) {
    // Remembered layouts go to a folder of the test's own.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, QString::fromStdString(settingsDir.Path("")));
    QSettings().remove(QStringLiteral("GridLayouts"));
    dir.Write("flags.ini", "[FIELDDESCRIPTIONS]\r\nNO, 6\r\nFLAG, 1\r\nCITY, 16\r\n");
    path = dir.Write("flags.rff", FlagsRecords());
    Start();
  }
  // A new main form (as after a restart) with the flags file open.
  void Start() {
    form.reset();
    form = std::make_unique<TMainForm>();
    form->show();
    form->OpenFile(path);
    window = form->ChildWindows().empty() ? nullptr : form->ChildWindows()[0];
  }
  TDBGrid& Grid() const { return *window->rxdbg(); }
  TGridContextMenu& Menu() const { return *window->ContextMenu(); }
  TGridMenuTools& Tools() const { return *window->MenuTools(); }
  // Runs the event loop until the window's find ended; false after 10 s.
  bool WaitForFind() const {
    QElapsedTimer timer;
    timer.start();
    while (window->GridFind()->Running() && timer.elapsed() < 10000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !window->GridFind()->Running();
  }
  ~TFlagsWindowFixture() {
    form.reset();
    const QString config =
        qEnvironmentVariable("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"));
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(format, QSettings::UserScope, config);
  }
  int32_t RecNo() const { return Grid().DataSet()->GetRecNo(); }

  TTempDir dir;
  TTempDir settingsDir;
  std::string path;
  std::vector<std::string> boxes;

 private:
  TMessageBoxRecorder recorder_;

 public:
  std::unique_ptr<TMainForm> form;
  TMDIChild* window = nullptr;
};
