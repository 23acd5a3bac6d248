// What the workbook clean-ups must leave, worked out from the builder's own record of where
// everything lies (not by walking records as the engine does): the whole expected stream,
// so that a comparison also shows every byte that must not change.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "tests/support/biff/record_chain.h"

namespace qv::test {

using test::biff::Bytes;
using writers::biff::BuiltWorkbook;
using writers::biff::Workbook;

// A workbook with a project (CodeName, ObProj), the built-in names Auto_Open, Auto_Activate,
// Auto_Deactivate, Print_Area, Auto_Close and an ordinary name, and three sheets:
//   0 `sheet1Name` visible macro sheet (dt 1, so that a dt change shows) with a Window2
//   1 Macro1       hidden macro sheet with two formulas and a Window2
//   2 Chart1       hidden chart
Workbook ProjectWorkbook(std::u16string sheet1Name = u"Sheet1", bool wideNames = false);

// The stream after the project clean-up: ObProj and CodeName of the globals carry the
// Date1904 id; the built-in names Auto_Activate and Auto_Deactivate have reserved3 and itab
// 0 and the Print_Area code; sheet `namedSheet` (when given) has dt 0 and zeroed Window2 data.
Bytes AfterProjectClean(const BuiltWorkbook& built, std::optional<size_t> namedSheet);

// The stream after the hidden-sheet clean-up of sheet `sheet`: dt 0, BOF type low byte 0x10,
// up to 512 Formula records (fewer than 258 other records between two of them) turned into
// zero-filled Lbl records, and zeroed data of every built-in name of the globals.
Bytes AfterSheetClean(const BuiltWorkbook& built, size_t sheet);

// Same size and the same record offsets and lengths; ids may differ.
::testing::AssertionResult SameRecordLayout(const Bytes& before, const Bytes& after);

// Equal streams, or a message naming the records that differ.
::testing::AssertionResult SameStream(const Bytes& expected, const Bytes& actual);

}  // namespace qv::test
