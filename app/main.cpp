#include <QElapsedTimer>
#include <QMdiArea>
#include <QTreeWidget>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Application.h"
#include "app/MainForm.h"
#include "app/MessageBox.h"
#include "core/Startup.h"

namespace {

// The laid-out main window with every data window tiled, as a PNG image.
int SaveScreenshot(TMainForm& form, const QString& path) {
  // Layouts and scroll bars settle over several rounds of events.
  auto settle = [] {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 200) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  };
  settle();
  // Room for every window and the whole file tree, so that the picture shows what was opened.
  form.resize(1280, 800);
  form.FileTree()->expandAll();
  settle();
  form.MdiArea()->tileSubWindows();
  settle();
  if (!form.grab().save(path, "PNG")) {
    std::fprintf(stderr, "kwviewer: cannot write %s\n", path.toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

constexpr const char* kUsage =
    "usage: kwviewer [FILE...]\n"
    "       kwviewer --screenshot PATH.png FILE...\n"
    "       kwviewer --help\n"
    "Opens RFF (.rff), RFC (.rfc) and STADAF (.daf) files and ISAM tables (.dat) in the Kestrelwing "
    "RFF/STADAF\n"
    "Viewer.\n"
    "  --screenshot PATH.png  open the files, save a picture of the main window and exit\n"
    "  --help                 print this text and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Before the application object, so that no display is needed for it.
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  TApplication application(argc, argv);

  // kwviewer [--screenshot PATH.png] FILE...
  std::vector<std::string> files(argv + 1, argv + argc);
  QString screenshot;
  if (!files.empty() && files[0] == "--screenshot") {
    if (files.size() < 2) {
      std::fprintf(stderr, "usage: kwviewer --screenshot PATH.png FILE...\n");
      return 2;
    }
    screenshot = QString::fromLocal8Bit(files[1].c_str());
    files.erase(files.begin(), files.begin() + 2);
    // Nobody is there to answer a message box.
    SetMessageBoxFunction([](const TMessageBoxRequest& request) {
      std::fprintf(stderr, "kwviewer: %s\n", MessageText(request).toLocal8Bit().constData());
      return request.Buttons == TMessageButtons::mbYesNo ? TMessageResult::mrNo : TMessageResult::mrOk;
    });
  }

  // The process id stands in for the application window's handle in the engine's instance name.
  SetApplicationWindowHandle(static_cast<uint32_t>(QCoreApplication::applicationPid()));
  try {
    RunStartup();
  } catch (...) {
    HandleCurrentException();
    return 1;
  }
  int result = 0;
  {
    TMainForm form;
    form.SetCommandLine(std::move(files));
    form.show();
    if (TerminateAfterStartup())
      QMetaObject::invokeMethod(&application, &QCoreApplication::quit, Qt::QueuedConnection);
    result = screenshot.isEmpty() ? application.exec() : SaveScreenshot(form, screenshot);
  }
  RunFinalization();
  return result;
}
