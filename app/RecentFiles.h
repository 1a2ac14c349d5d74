#pragma once

#include <QObject>
#include <functional>
#include <string>
#include <vector>

class QMenu;

// File > Recent Files: the files the user opened last, newest first, kept between runs (QSettings).
// Choosing one opens it again; one that no longer exists is said so and leaves the list.
class TRecentFiles : public QObject {
  Q_OBJECT

 public:
  static constexpr int kMaxCount = 8;

  // menu: the submenu to fill whenever it is about to show; open: opens a file.
  TRecentFiles(QMenu& menu, std::function<void(const std::string&)> open, QObject* parent = nullptr);

  // Puts fileName (as the platform names it) in front; a file listed already moves there.
  void Add(const std::string& fileName);
  void Remove(const std::string& fileName);
  std::vector<std::string> Files() const;

 private:
  void Fill();
  void Store(const std::vector<std::string>& files);
  void Open(std::string fileName);

  QMenu& menu_;
  std::function<void(const std::string&)> open_;
};
