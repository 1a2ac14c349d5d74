#include "app/Application.h"

#include "app/MessageBox.h"
#include "core/Startup.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // The settings of the user (QSettings) are kept under these names. No display name: the platform
  // would add it to the main window's title, which names the program already.
  setOrganizationName(QStringLiteral("Kestrelwing"));
  setApplicationName(QStringLiteral("kwviewer"));
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
