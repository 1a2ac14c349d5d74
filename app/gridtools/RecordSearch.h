#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/RecordView.h"

class TDataSet;

// What a find looks for and from where. Positions are record numbers, or positions in View where the grid
// shows a query's or sort's view; columns are field names in their order on screen.
struct TSearchRequest {
  std::string Text;                  // in the files' code page; found anywhere in a value, letter case aside
  std::vector<std::string> Columns;  // the columns searched, in screen order
  int32_t From = 1;                  // the position the search starts at
  // The indexes into Columns searched in the record at From, in search order (the cells after, or before,
  // the current one); the records beyond it are searched in all Columns.
  std::vector<int> FromColumns;
  bool Backward = false;
  bool Prefix = false;  // the value begins with the text, leading blanks aside, instead of holding it
  const TRecordView* View = nullptr;  // none: the file in record order
};

struct TSearchHit {
  int32_t Position = 0;  // 0: not found
  int Column = -1;       // index into the request's Columns
};

// Letter case folded as Windows-1252 has it (ASCII, the Latin-1 letters, Š, Œ, Ž, Ÿ).
unsigned char FoldCase1252(unsigned char c);
// Whether text holds folded (already folded by FoldCase1252), letter case aside.
bool ContainsFolded(std::string_view text, std::string_view folded);
// Whether text, after its leading blanks, begins with folded, letter case aside.
bool StartsWithFolded(std::string_view text, std::string_view folded);

// Searches reader (a data set of its own on the file) from the request's start on, record by record, and
// gives the first cell whose value holds the text. Obeys control's cancel flag and reports progress every
// few thousand records; errors of reading propagate, naming control.FileName where they name no file.
TSearchHit SearchRecords(TDataSet& reader, const TSearchRequest& request, const TPassControl& control);
