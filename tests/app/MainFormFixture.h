#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QMimeData>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "tests/app/FakeDataSet.h"
#include "tests/app/FormTestSupport.h"

// A main window over fake RFF data sets, with files in a temporary folder: "broken" files fail to open,
// "named" ones with an error naming their layout, "short" ones hold 3 records, the others 50. Message
// boxes are answered with OK and kept.
class TMainFormFixture : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kw_mainform_XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    dir_ = pattern;
    for (const char* name : {"a.rff", "a.rfc", "b.rff", "lone.rfc", "notes.txt", "README", "broken.rff",
                             "short.rff", "named.rff", "Z\xC3\xBCrich.rff", "Z\xC3\xBCrich.rfc"})
      std::ofstream(dir_ + "/" + name) << "x";
    previousBox_ = SetMessageBoxFunction([this](const TMessageBoxRequest& request) {
      boxes_.push_back(request);
      return TMessageResult::mrOk;
    });
    // Fakes in place of the RFF readers: "broken" files fail to open, "named" ones with an error naming
    // their layout, "short" ones hold 3 records.
    previousFactory_ =
        TFileInfo::SetDataSetFactory([this](const TFileInfo& info) -> std::unique_ptr<TAbstractDataSet> {
          if (info.FileName().find("broken") != std::string::npos) throw Exception("Broken layout");
          if (info.FileName().find("named") != std::string::npos) {
            Exception error("Error at offset 0");
            error.SetFileNameOnce(Path("named.ini"));
            throw error;
          }
          auto dataSet =
              std::make_unique<TFakeDataSet>(info.FileName().find("short") != std::string::npos ? 3 : 50);
          dataSet->Open();
          opened_.push_back(info.FileName());
          return dataSet;
        });
    form_ = std::make_unique<TMainForm>();
  }
  void TearDown() override {
    form_.reset();
    TFileInfo::SetDataSetFactory(previousFactory_);
    TMainForm::SetOpenDialogFunction(nullptr);
    SetMessageBoxFunction(previousBox_);
    std::filesystem::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  QTreeWidget* Tree() const { return form_->FileTree(); }
  QAction* Action(const char* name) const { return form_->findChild<QAction*>(name); }
  static std::string Caption(const QTreeWidgetItem* node) {
    return static_cast<const TFileTreeNode*>(node)->Caption();
  }
  // "caption[child,child]" for every root node.
  std::vector<std::string> TreeCaptions() const {
    std::vector<std::string> captions;
    for (int i = 0; i < Tree()->topLevelItemCount(); ++i) {
      const QTreeWidgetItem* group = Tree()->topLevelItem(i);
      std::string text = Caption(group) + "[";
      for (int j = 0; j < group->childCount(); ++j) text += (j ? "," : "") + Caption(group->child(j));
      captions.push_back(text + "]");
    }
    return captions;
  }
  // Window captions in the order the windows were opened.
  std::vector<std::string> WindowCaptions() const { return ::WindowCaptions(*form_); }
  TMDIChild* WindowOf(const std::string& caption) const {
    for (TMDIChild* child : form_->ChildWindows())
      if (child->Caption() == caption) return child;
    return nullptr;
  }
  QTreeWidgetItem* NodeOf(const std::string& caption) const {
    for (QTreeWidgetItem* item :
         Tree()->findItems(QString::fromStdString(caption), Qt::MatchExactly | Qt::MatchRecursive))
      return item;
    return nullptr;
  }
  // Shows the window and lets its event loop open the command line.
  void ShowWithCommandLine(std::vector<std::string> arguments) {
    form_->SetCommandLine(std::move(arguments));
    form_->show();
    Settle();
  }
  static void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }
  std::unique_ptr<QMimeData> Files(std::initializer_list<std::string> names) const {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string& name : names) urls << QUrl::fromLocalFile(QString::fromStdString(Path(name)));
    data->setUrls(urls);
    return data;
  }

  std::string dir_;
  std::unique_ptr<TMainForm> form_;
  std::vector<TMessageBoxRequest> boxes_;
  std::vector<std::string> opened_;
  TMessageBoxFunction previousBox_;
  TFileInfo::TDataSetFactory previousFactory_;
};
