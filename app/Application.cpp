#include "app/Application.h"

#include "app/MessageBox.h"
#include "core/Startup.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("kwviewer"));
  setApplicationDisplayName(QString::fromLatin1(kApplicationTitle));
  setApplicationVersion(QString::fromLatin1(ProgramVersion()));
  InstallMessageBoxDialog();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}
