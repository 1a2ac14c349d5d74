#pragma once

#include <exception>
#include <functional>

#include <QString>

// The message-box function itself lives in support/ so that the libraries below the viewer use it
// too; the viewer installs its modal dialog there at start.
#include "support/MessageBox.h"

// Makes ShowMessageBox show the modal Qt dialog.
void InstallMessageBoxDialog();
// What a box shows: the file, ": " and the text, each decoded by what it is; the text alone when it
// concerns no file.
QString MessageText(const TMessageBoxRequest& request);

// Ends an operation that the user broke off (closing the main window during an indexing pass). It is
// no error: the handler shows nothing for it. Not an Exception, so that no reader's handling of
// errors takes it for one.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

// The application's error handler: shows the file the error concerns and its message as it stands
// (ReportOf) in a message box titled with the application's title; the program keeps running. Errors
// that are no std::exception get a fixed text; EAbort shows nothing.
void ShowException(const std::exception& error);
void HandleCurrentException();

// Runs action and hands any error it raises to HandleCurrentException. Returns false after an error.
bool RunGuarded(const std::function<void()>& action);

// Title of the application's message boxes.
extern const char* const kApplicationTitle;
