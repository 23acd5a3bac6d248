// The hidden-sheet pass over a copy of the "Workbook" stream, apart from where the copy comes
// from and who judges the formulas (ScanHiddenSheets in excel_workbook.h wires both).
#pragma once

#include <cstdint>

#include "engine/common/byte_reader.h"

namespace qv {

struct DocFile;

// Receives the gathered formula bytes of one hidden sheet.
class FormulaJudge {
 public:
  virtual void Judge(const uint8_t* formulas, uint32_t length) = 0;

 protected:
  ~FormulaJudge() = default;
};

// The table slot that names hidden sheet `ordinal`. The first 254 hidden sheets keep a slot
// each; the last slot names the sheet being scanned from the 255th on, so every hidden sheet
// is scanned and a repair during its matcher call still finds its name.
uint32_t HiddenSheetSlot(int32_t ordinal);

// Walks the globals substream of `stream` up to its EOF. Every hidden worksheet or macro sheet
// takes the next ordinal (doc.HiddenSheetOrdinal, counted from 0) and its table slot; the
// Formula records of its substream are gathered into doc.FormulaBuffer from its start while
// the total stays below the buffer's size, and the judge sees exactly the bytes of that sheet.
// A sheet with no gathered bytes is not judged.
//
// `visitMap` holds one zero bit per stream byte (at least (stream.size() + 7) / 8 bytes). A
// sheet walk stops at a record that an earlier sheet walk of the pass already met, so sheets
// whose substreams overlap (never the case in a well-formed workbook) cannot make the pass
// walk or judge the same bytes again and again; the bytes have been judged with the first
// sheet that reached them. For the same reason the bytes judged in one pass never add up to
// more than the stream holds; a sheet that would pass that total is not judged.
void WalkHiddenSheets(DocFile& doc, ByteReader stream, uint8_t* visitMap, FormulaJudge& judge);

}  // namespace qv
