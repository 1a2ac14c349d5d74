#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

// One application object for every widget test of the executable.
class TQtEnvironment : public testing::Environment {
 public:
  void SetUp() override { application_ = std::make_unique<QApplication>(argc_, argv_); }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kw_app_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> application_;
};

const testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
