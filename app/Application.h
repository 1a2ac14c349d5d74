#pragma once

#include <QApplication>

// The application object: an error that escapes an event handler reaches the one error handler,
// which shows its message; the program keeps running.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};
