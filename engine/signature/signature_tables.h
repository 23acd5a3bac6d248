// The signature library as the rest of the engine sees it: load, build, match, release.
#pragma once

#include <cstdint>

namespace qv {

struct WorkArea;
struct SignatureTables;

// Called by the matcher once per reported rule, in ascending rule-identifier order.
// The engine frame passes ReportInfection; tests pass a recorder.
using ReportFn = bool (*)(const char* ruleName, WorkArea& area);

// Results of LoadSignatureLibrary.
inline constexpr int kLibraryLoaded = 1;
inline constexpr int kLibraryMissing = -1;   // "Load qzmacro.vlb failed\n"
inline constexpr int kLibraryNoMemory = -2;  // "Macro scan engine initialize failed \n"

// Reads "qzmacro.vlb" beside the running executable into area.libraryImage.
int LoadSignatureLibrary(WorkArea& area);
// Deciphers and parses area.libraryImage into area.tables and builds the matcher.
// False (and no tables) when the library is unusable or memory is lacking.
bool BuildSignatureTables(WorkArea& area, ReportFn report);
// Releases area.tables (matcher first, then the library) and the image; safe to repeat.
void ReleaseSignatureTables(WorkArea& area);
// Points the tables' work-area reference at `area` (reports go there).
void AttachWorkArea(SignatureTables& tables, WorkArea& area);
// The single entry for a verdict on a byte buffer.
void MatchRules(const uint8_t* text, uint32_t length, SignatureTables& tables);

}  // namespace qv
