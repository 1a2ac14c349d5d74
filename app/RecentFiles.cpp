#include "app/RecentFiles.h"

#include <QFile>
#include <QMenu>
#include <QSettings>
#include <algorithm>

#include "app/MessageBox.h"
#include "platform/File.h"
#include "support/Exception.h"

namespace {
const char* const kRecentFilesKey = "RecentFiles";
}

TRecentFiles::TRecentFiles(QMenu& menu, std::function<void(const std::string&)> open, QObject* parent)
    : QObject(parent), menu_(menu), open_(std::move(open)) {
  connect(&menu_, &QMenu::aboutToShow, this, &TRecentFiles::Fill);
  Fill();
}

std::vector<std::string> TRecentFiles::Files() const {
  std::vector<std::string> files;
  for (const QString& name : QSettings().value(kRecentFilesKey).toStringList())
    files.push_back(QFile::encodeName(name).toStdString());
  return files;
}

void TRecentFiles::Add(const std::string& fileName) {
  std::vector<std::string> files = Files();
  std::erase(files, fileName);
  files.insert(files.begin(), fileName);
  if (files.size() > kMaxCount) files.resize(kMaxCount);
  Store(files);
}

void TRecentFiles::Remove(const std::string& fileName) {
  std::vector<std::string> files = Files();
  std::erase(files, fileName);
  Store(files);
}

void TRecentFiles::Store(const std::vector<std::string>& files) {
  QStringList names;
  for (const std::string& file : files) names.append(QFile::decodeName(QByteArray::fromStdString(file)));
  QSettings().setValue(kRecentFilesKey, names);
  // Filled when shown next: the action that runs this may not be deleted under its own feet.
  menu_.setEnabled(!files.empty());
}

void TRecentFiles::Fill() {
  menu_.clear();
  const std::vector<std::string> files = Files();
  int number = 0;
  for (const std::string& file : files) {
    ++number;
    // "&" in a file name would otherwise become a mnemonic.
    QString name = QFile::decodeName(QByteArray::fromStdString(file));
    name.replace(QLatin1Char('&'), QLatin1String("&&"));
    QAction* action = menu_.addAction(QStringLiteral("&%1 %2").arg(number).arg(name));
    connect(action, &QAction::triggered, this, [this, file] { Open(file); });
  }
  menu_.setEnabled(!files.empty());
}

void TRecentFiles::Open(std::string fileName) {
  RunGuarded([&] {
    if (!FileExists(fileName)) {
      Remove(fileName);
      ThrowNaming(Exception("File not found"), fileName);
    }
    open_(fileName);
  });
}
