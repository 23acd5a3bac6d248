// Arbitrary bytes as a "Workbook" stream: the hidden-sheet walk, then both clean-ups on the
// same bytes. Beyond the sanitizers it checks what the workbook code promises: the judge is
// only given bytes gathered for one sheet (1 to 16,383 of them), the clean-ups never ask for
// a change outside a record of the chain, and no record of the chain changes its offset or
// length.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/common/capacities.h"
#include "engine/office/excel_biff.h"
#include "engine/office/excel_cleanup.h"
#include "engine/office/excel_hidden_sheets.h"
#include "engine/storage/doc_file.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

class CheckingJudge final : public qv::FormulaJudge {
 public:
  void Judge(const uint8_t* formulas, uint32_t length) override {
    Check(length > 0 && length < qv::cap::kFormulaBufferBytes);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) sum += formulas[i];  // every byte must be readable
    sink_ = sink_ + sum;
  }

 private:
  volatile uint32_t sink_ = 0;
};

struct Layout {
  uint32_t offset;
  uint16_t length;
};

std::vector<Layout> Chain(const std::vector<uint8_t>& stream) {
  std::vector<Layout> chain;
  const qv::ByteReader reader(stream.data(), stream.size());
  for (auto record = qv::biff::RecordAt(reader, 0); record; record = qv::biff::NextRecord(reader, *record)) {
    chain.push_back({record->offset, record->length});
  }
  return chain;
}

bool SameChain(const std::vector<Layout>& a, const std::vector<Layout>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].offset != b[i].offset || a[i].length != b[i].length) return false;
  }
  return true;
}

std::u16string SlotName(const qv::DocFile& doc, int32_t ordinal) {
  const auto& entry = doc.HiddenSheetTable[qv::HiddenSheetSlot(ordinal)];
  size_t length = 0;
  while (length < qv::cap::kSheetNameUnits && entry.name[length] != 0) ++length;
  Check(length < qv::cap::kSheetNameUnits);  // always terminated
  return std::u16string(entry.name, length);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  std::vector<uint8_t> stream(data, data + size);
  auto doc = std::make_unique<qv::DocFile>();

  std::vector<uint8_t> visitMap((size + 7) / 8);
  CheckingJudge judge;
  qv::WalkHiddenSheets(*doc, qv::ByteReader(stream.data(), stream.size()), visitMap.data(), judge);
  Check(doc->HiddenSheetOrdinal >= 0);
  Check(size == 0 || std::memcmp(stream.data(), data, size) == 0);  // the walk never writes

  const std::vector<Layout> chain = Chain(stream);
  {
    qv::WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
    qv::CleanProjectRecords(image, SlotName(*doc, 0));
    Check(image.refusedWrites() == 0);
  }
  Check(SameChain(chain, Chain(stream)));
  {
    const int32_t last = doc->HiddenSheetOrdinal > 0 ? doc->HiddenSheetOrdinal - 1 : 0;
    qv::WorkbookImage image(stream.data(), static_cast<uint32_t>(stream.size()), nullptr);
    qv::CleanSheetRecords(image, SlotName(*doc, last));
    Check(image.refusedWrites() == 0);
  }
  Check(SameChain(chain, Chain(stream)));
  return 0;
}
