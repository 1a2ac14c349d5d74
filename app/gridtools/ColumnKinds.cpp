#include "app/gridtools/ColumnKinds.h"

#include "dataset/DataSet.h"
#include "dataset/ViewDataSet.h"
#include "isam/CtreeDataSet.h"
#include "isam/CtreeFields.h"
#include "isam/CtreeTable.h"

std::vector<TColumnKind> ColumnKinds(TDataSet& dataSet) {
  const int count = dataSet.Fields().Count();
  std::vector<TColumnKind> kinds(static_cast<size_t>(count), TColumnKind::ckText);
  // A view shows its base's fields, in the same order.
  const auto* view = dynamic_cast<const TViewDataSet*>(&dataSet);
  const auto* table = dynamic_cast<const TCtreeDataSet*>(view != nullptr ? &view->Base() : &dataSet);
  for (int c = 0; c < count; ++c) {
    const TField& field = dataSet.Fields()[c];
    TColumnKind& kind = kinds[static_cast<size_t>(c)];
    kind = field.IsBlob() ? TColumnKind::ckMemo : TColumnKind::ckText;
    // The table's fields are the data set's, in the same order.
    if (table == nullptr || c >= table->Table().FieldCount()) continue;
    switch (table->Table().Fields(c).DataType()) {
      case dtGraphic:
        kind = TColumnKind::ckImage;
        break;
      case dtBoolean:
        kind = TColumnKind::ckBoolean;
        break;
      case dtDate:
        kind = TColumnKind::ckDate;
        break;
      case dtDateTime:
        kind = TColumnKind::ckDateTime;
        break;
      default:
        break;
    }
  }
  return kinds;
}
