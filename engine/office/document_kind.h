// Formats recognised inside a compound document.
#pragma once

#include <cstdint>

namespace qv {

// Values of DocFile::DocumentKind.
inline constexpr int32_t kKindUnknown = 0;     // recognised stream, unexpected version: never repaired
inline constexpr int32_t kKindWord6 = 1;       // Word 6.0 / 95
inline constexpr int32_t kKindWord97 = 2;      // Word 97 and later; also the fallback
inline constexpr int32_t kKindExcel5 = 4;      // Excel 5.0 / 95
inline constexpr int32_t kKindExcel97 = 5;     // Excel 97 and later
inline constexpr int32_t kKindPropData = 7;    // a "PropData" project stream
inline constexpr int32_t kKindPresentation = 8; // a "PowerPoint Document" stream: PowerPoint 97-2003
inline constexpr int32_t kKindEncryptedPackage = 9;  // "EncryptionInfo" and "EncryptedPackage": an encrypted package

struct DocFile;

// Classifies the opened compound file; false when none of the streams it looks for exists
// (the caller then takes the fallback kind).
bool DetectDocumentKind(DocFile& doc);

// Word repairs (in place; the file on disk changes).
int RepairWord97Document(DocFile& doc, uint32_t entryId);
int RepairWord6Document(DocFile& doc);
// Fills `out[0..length)` with the Word 6/95 macro-text filler (length >= 2).
void FillWord6MacroText(uint8_t* out, uint32_t length);

}  // namespace qv
