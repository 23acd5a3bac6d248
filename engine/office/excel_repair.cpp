// Repairs of Excel 97 and later workbooks, in place on the document on disk: the clean-ups
// walk a copy of the "Workbook" stream and write each change straight back into the stream.
#include <string>

#include "engine/common/capacities.h"
#include "engine/office/dispatch.h"
#include "engine/office/excel_cleanup.h"
#include "engine/office/excel_hidden_sheets.h"
#include "engine/office/excel_workbook.h"
#include "engine/office/excel_workbook_stream.h"
#include "engine/storage/compound_file.h"
#include "engine/storage/doc_file.h"
#include "engine/storage/streams.h"
#include "engine/storage/writer.h"

namespace qv {
namespace {

// Zero-fills stream `id` over its whole size; true when every byte was written.
bool ZeroFillStream(DocFile& doc, uint32_t id) {
  bool zeroed = false;
  if (OpenStream(doc, id) == kStreamOpened) zeroed = ZeroStream(doc, static_cast<int32_t>(doc.current.size));
  CloseStream(doc);
  return zeroed;
}

}  // namespace

bool CleanWorkbookProject(DocFile& doc, uint32_t moduleId, std::u16string_view moduleName) {
  {
    WorkbookCopy copy(doc, /*withVisitMap=*/false);
    if (copy.ok()) {
      WorkbookStreamSink sink(doc, copy.entryId());
      WorkbookImage image(copy.bytes(), copy.size(), &sink);
      if (sink.opened()) CleanProjectRecords(image, moduleName);
    }
  }
  // The module holds the detected source: it is wiped whether or not the workbook records
  // could be reached.
  return ZeroFillStream(doc, moduleId);
}

bool CleanHiddenSheet(DocFile& doc, std::u16string_view sheetName) {
  WorkbookCopy copy(doc, /*withVisitMap=*/false);
  if (!copy.ok()) return false;
  WorkbookStreamSink sink(doc, copy.entryId());
  if (!sink.opened()) return false;
  WorkbookImage image(copy.bytes(), copy.size(), &sink);
  return CleanSheetRecords(image, sheetName);
}

int RepairExcel97Workbook(DocFile& doc) {
  switch (doc.ScanKind) {
    case 1: {
      const DirEntry* entry = EntryAt(doc, doc.ScanCursor);
      if (entry == nullptr) return kRepairFailed;
      const std::u16string moduleName = EntryName(*entry);
      return CleanWorkbookProject(doc, doc.ScanCursor, moduleName) ? kRepaired : kRepairFailed;
    }
    case 2: {
      if (doc.HiddenSheetOrdinal < 0) return kRepairFailed;
      const HiddenSheetEntry& entry = doc.HiddenSheetTable[HiddenSheetSlot(doc.HiddenSheetOrdinal)];
      size_t length = 0;  // the name ends at its terminator
      while (length < cap::kSheetNameUnits && entry.name[length] != 0) ++length;
      const std::u16string_view sheetName(entry.name, length);
      return CleanHiddenSheet(doc, sheetName) ? kRepaired : kRepairFailed;
    }
    default:
      return kRepairFailed;
  }
}

}  // namespace qv
