#pragma once

#include <exception>
#include <functional>
#include <string>

// Every message box of the viewer goes through ShowMessageBox, so that tests can answer them.
// Texts are 8-bit texts of the files' code page; the box decodes them for display.

enum class TMessageButtons { mbOK, mbYesNo };
enum class TMessageKind { mkError, mkQuestion, mkInformation };
enum class TMessageResult { mrOk, mrYes, mrNo };

struct TMessageBoxRequest {
  std::string Title;
  std::string Text;
  TMessageButtons Buttons = TMessageButtons::mbOK;
  TMessageKind Kind = TMessageKind::mkError;
};

using TMessageBoxFunction = std::function<TMessageResult(const TMessageBoxRequest&)>;

TMessageResult ShowMessageBox(const TMessageBoxRequest& request);
// Replaces the function behind ShowMessageBox and returns the one it replaced; an empty function
// restores the modal dialog.
TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function);

// The application's error handler: shows the message of the error in a message box titled with the
// application's title; the program keeps running. Errors that are no std::exception get a fixed text.
void ShowException(const std::exception& error);
void HandleCurrentException();

// Runs action and hands any error it raises to HandleCurrentException. Returns false after an error.
bool RunGuarded(const std::function<void()>& action);

// Title of the application's message boxes.
extern const char* const kApplicationTitle;
