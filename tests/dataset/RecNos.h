#pragma once

#include <cstdint>
#include <vector>

#include "dataset/RecordView.h"

// A view's record numbers in its order, for comparing views in tests.
using TRecNos = std::vector<int32_t>;

inline TRecNos RecNos(const TRecordView& view) {
  TRecNos recNos;
  for (int32_t i = 1; i <= view.Count(); ++i) recNos.push_back(view.RecordAt(i));
  return recNos;
}
