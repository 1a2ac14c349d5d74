#include "app/MessageBox.h"

#include <QApplication>
#include <QMessageBox>

#include "app/DisplayText.h"
#include "support/ErrorReport.h"
#include "support/Exception.h"

const char* const kApplicationTitle = "Kestrelwing RFF/STADAF Viewer";

namespace {

TMessageResult ShowModalMessageBox(const TMessageBoxRequest& request) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  if (request.Kind == TMessageKind::mkWarning) icon = QMessageBox::Warning;
  if (request.Kind == TMessageKind::mkQuestion) icon = QMessageBox::Question;
  if (request.Kind == TMessageKind::mkInformation) icon = QMessageBox::Information;
  const QMessageBox::StandardButtons buttons =
      request.Buttons == TMessageButtons::mbYesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  QMessageBox box(icon, DisplayText(request.Title), MessageText(request), buttons,
                  QApplication::activeWindow());
  switch (box.exec()) {
    case QMessageBox::Yes:
      return TMessageResult::mrYes;
    case QMessageBox::No:
      return TMessageResult::mrNo;
    default:
      return TMessageResult::mrOk;
  }
}

}  // namespace

void InstallMessageBoxDialog() {
  SetMessageBoxFunction(ShowModalMessageBox);
}

QString MessageText(const TMessageBoxRequest& request) {
  if (request.FileName.empty()) return DisplayText(request.Text);
  return FileNameText(request.FileName) + QStringLiteral(": ") + DisplayText(request.Text);
}

void ShowException(const std::exception& error) {
  const TErrorReport report = ReportOf(error);
  TMessageBoxRequest request;
  request.Title = kApplicationTitle;
  request.FileName = report.FileName;
  request.Text = report.Message;
  ShowMessageBox(request);
}

void HandleCurrentException() {
  try {
    throw;
  } catch (const EAbort&) {
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    ShowException(Exception("Unknown error"));
  }
}

bool RunGuarded(const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (...) {
    HandleCurrentException();
    return false;
  }
}
