#pragma once

#include <gtest/gtest.h>

#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MDIChild.h"
#include "app/MainForm.h"
#include "support/MessageBox.h"
#include "tests/TestSupport.h"

// Captions of the main window's open data windows, in the order they were opened.
inline std::vector<std::string> WindowCaptions(const TMainForm& form) {
  std::vector<std::string> captions;
  for (QMdiSubWindow* window : form.MdiArea()->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = qobject_cast<TMDIChild*>(window); child && !child->Closing())
      captions.push_back(child->Caption());
  return captions;
}

// Answers every message box with OK and keeps its text, or its whole request, in the list it was given;
// the function it replaced is back when it goes.
class TMessageBoxRecorder {
 public:
  explicit TMessageBoxRecorder(std::vector<std::string>& texts)
      : previous_(SetMessageBoxFunction([&texts](const TMessageBoxRequest& request) {
          texts.push_back(request.Text);
          return TMessageResult::mrOk;
        })) {}
  explicit TMessageBoxRecorder(std::vector<TMessageBoxRequest>& requests)
      : previous_(SetMessageBoxFunction([&requests](const TMessageBoxRequest& request) {
          requests.push_back(request);
          return TMessageResult::mrOk;
        })) {}
  TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
  TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;
  ~TMessageBoxRecorder() { SetMessageBoxFunction(previous_); }

 private:
  TMessageBoxFunction previous_;
};

// A shown main window over the real readers, with a temporary folder for its files; message boxes are
// answered with OK and kept, as texts or as whole requests (TBox).
template <class TBox = std::string>
class TShownFormTest : public testing::Test {
 protected:
  void SetUp() override {
    recorder_.emplace(boxes_);
    form_ = std::make_unique<TMainForm>();
    form_->show();
  }
  void TearDown() override {
    form_.reset();
    recorder_.reset();
  }

  TTempDir dir_;
  std::unique_ptr<TMainForm> form_;
  std::vector<TBox> boxes_;
  std::optional<TMessageBoxRecorder> recorder_;
};
