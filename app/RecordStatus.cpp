#include "app/RecordStatus.h"

#include "app/DBGrid.h"
#include "app/DisplayText.h"
#include "app/MDIChild.h"
#include "core/FileInfo.h"

TRecordStatus::TRecordStatus(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("RecordStatus"));
}

void TRecordStatus::Show(const TMDIChild* child) {
  setText(child != nullptr ? Text(*child) : QString());
}

QString TRecordStatus::Text(const TMDIChild& child) {
  const QString caption = child.windowTitle();
  TDataSet* dataSet = child.DataSet();
  if (dataSet == nullptr || !dataSet->Active()) return caption;
  const int32_t recNo = dataSet->GetRecNo();
  // Counting is cheap wherever there are record numbers; an ISAM table not numbered yet is not counted.
  if (recNo <= 0) return caption;
  return QStringLiteral("%1: Record %2 of %3").arg(caption).arg(recNo).arg(dataSet->GetRecordCount());
}
