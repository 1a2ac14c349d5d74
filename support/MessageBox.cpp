#include "support/MessageBox.h"

#include <cstdio>

namespace {

TMessageResult WriteToStandardError(const TMessageBoxRequest& request) {
  if (request.FileName.empty())
    std::fprintf(stderr, "%s: %s\n", request.Title.c_str(), request.Text.c_str());
  else
    std::fprintf(stderr, "%s: %s: %s\n", request.Title.c_str(), request.FileName.c_str(),
                 request.Text.c_str());
  return DefaultMessageBoxAnswer(request);
}

TMessageBoxFunction& CurrentFunction() {
  static TMessageBoxFunction function;
  return function;
}

}  // namespace

TMessageResult DefaultMessageBoxAnswer(const TMessageBoxRequest& request) {
  return request.Buttons == TMessageButtons::mbYesNo ? TMessageResult::mrNo : TMessageResult::mrOk;
}

TMessageResult ShowMessageBox(const TMessageBoxRequest& request) {
  // A copy, so that a function replacing itself while it runs stays alive.
  const TMessageBoxFunction function = CurrentFunction();
  return function ? function(request) : WriteToStandardError(request);
}

TMessageBoxFunction SetMessageBoxFunction(TMessageBoxFunction function) {
  TMessageBoxFunction previous = std::move(CurrentFunction());
  CurrentFunction() = std::move(function);
  return previous;
}
