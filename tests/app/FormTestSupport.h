#pragma once

#include <QMdiArea>
#include <QMdiSubWindow>
#include <string>
#include <vector>

#include "app/MDIChild.h"
#include "app/MainForm.h"

// Captions of the main window's open data windows, in the order they were opened.
inline std::vector<std::string> WindowCaptions(const TMainForm& form) {
  std::vector<std::string> captions;
  for (QMdiSubWindow* window : form.MdiArea()->subWindowList(QMdiArea::CreationOrder))
    if (auto* child = qobject_cast<TMDIChild*>(window); child && !child->Closing())
      captions.push_back(child->Caption());
  return captions;
}
