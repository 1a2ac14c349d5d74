#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

namespace {

// One application object for every widget test of the executable.
class TQtEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    // The user's settings stay out of the tests, and no test sees what an earlier run kept.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsFolder_.path()));
    application_ = std::make_unique<QApplication>(argc_, argv_);
    QCoreApplication::setOrganizationName(QStringLiteral("Kestrelwing"));
    QCoreApplication::setApplicationName(QStringLiteral("kw_app_tests"));
  }
  void TearDown() override { application_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "kw_app_tests";
  char* argv_[2] = {name_, nullptr};
  QTemporaryDir settingsFolder_;
  std::unique_ptr<QApplication> application_;
};

const testing::Environment* const kEnvironment = testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
