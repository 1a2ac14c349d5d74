#pragma once

#include <functional>
#include <string>

// Every message box of the program goes through ShowMessageBox, so that tests can answer them and the
// libraries below the viewer can ask without knowing the toolkit. Texts are 8-bit texts of the files'
// code page; whoever shows them decodes them.
//
// Until a function is installed (the viewer installs its modal dialog at start), a box writes its
// caption and text to stderr and answers its default button: OK, or No for a Yes/No question, so
// that a program without a window never ends or changes course on a question nobody saw.

enum class TMessageButtons { mbOK, mbYesNo };
enum class TMessageKind { mkError, mkWarning, mkQuestion, mkInformation };
enum class TMessageResult { mrOk, mrYes, mrNo };

struct TMessageBoxRequest {
  std::string Title;
  std::string Text;
  TMessageButtons Buttons = TMessageButtons::mbOK;
  TMessageKind Kind = TMessageKind::mkError;
  // The file the text concerns, as the platform names it (not in the files' code page); shown before the
  // text. Empty when the text concerns no file.
  std::string FileName = {};
};

using TMessageBoxFunction = std::function<TMessageResult(const TMessageBoxRequest&)>;

TMessageResult ShowMessageBox(const TMessageBoxRequest& request);
// Replaces the function behind ShowMessageBox and returns the one it replaced; an empty function
// restores the default (stderr, default button).
TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function);
// The answer of the default: OK, or No for Yes/No.
TMessageResult DefaultMessageBoxAnswer(const TMessageBoxRequest& request);
