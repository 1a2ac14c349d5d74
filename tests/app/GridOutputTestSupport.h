#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/DBGrid.h"
#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/gridtools/GridExport.h"
#include "app/gridtools/GridOutput.h"
#include "app/gridtools/GridPrint.h"
#include "app/gridtools/GridViewTools.h"
#include "tests/TestSupport.h"
#include "tests/app/FormTestSupport.h"

// The bytes of a file; empty when there is none.
inline std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The names of the files in a folder, sorted.
inline std::vector<std::string> FolderFiles(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The pages of a PDF file: its page objects (/Type /Page, not the /Pages tree).
inline int PdfPageCount(const std::string& path) {
  const QString text = QString::fromLatin1(QByteArray::fromStdString(FileBytes(path)));
  return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![a-zA-Z])"))));
}

// An RFF file "NO, 6 / CODE, 4 / CITY, 20" of the given records (each NO, CODE, CITY in Windows-1252) shown
// in a data window of a main form; message boxes are recorded.
class GridOutputTest : public testing::Test {
 public:
  struct TRecord {
    int No;
    const char* Code;
    std::string City;
  };

 protected:
  static std::string RecordBytes(const std::vector<TRecord>& records) {
    std::string bytes;
    for (const TRecord& record : records) {
      char line[64];
      std::snprintf(line, sizeof line, "%06d%-4s%-20s\r\n", record.No, record.Code, record.City.c_str());
      bytes += line;
    }
    return bytes;
  }

  void Open(const std::vector<TRecord>& records) { OpenBytes(RecordBytes(records)); }
  void OpenBytes(const std::string& bytes) {
    recorder_.emplace(boxes_);
    dir_.Write("cities.ini", "[FIELDDESCRIPTIONS]\r\nNO, 6\r\nCODE, 4\r\nCITY, 20\r\n");
    file_ = dir_.Write("cities.rff", bytes);
    form_ = std::make_unique<TMainForm>();
    form_->show();
    form_->OpenFile(file_);
    ASSERT_EQ(form_->ChildWindows().size(), 1u);
    window_ = form_->ChildWindows()[0];
    grid_ = window_->rxdbg();
    output_ = window_->GridOutput();
  }
  void TearDown() override {
    form_.reset();
    recorder_.reset();
  }

  // Runs the event loop until no pass of the window runs; false after 60 s.
  bool Wait() const {
    QElapsedTimer timer;
    timer.start();
    auto running = [this] { return output_->Running() || window_->GridTools()->Running(); };
    while (running() && timer.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    return !running();
  }

  // What kwdump writes for the window's file.
  std::string Kwdump(const QStringList& arguments) const {
    QProcess process;
    process.start(QStringLiteral(KWDUMP_PATH), QStringList(arguments) << QString::fromStdString(file_));
    EXPECT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput().toStdString();
  }

  TTempDir dir_;
  TTempDir out_;
  std::string file_;
  std::unique_ptr<TMainForm> form_;
  TMDIChild* window_ = nullptr;
  TDBGrid* grid_ = nullptr;
  TGridOutput* output_ = nullptr;
  std::vector<std::string> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
};
