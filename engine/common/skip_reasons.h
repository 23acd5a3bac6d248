// Why a document could not be examined completely: the reason the observer is given, and the
// text the command line prints ("not examined (too large)", {"skipped":"too large"}).
#pragma once

namespace qv {

inline constexpr char kSkippedEncrypted[] = "encrypted";             // enciphered with an unknown password
inline constexpr char kSkippedDamaged[] = "damaged";                 // cut short, or a part that does not read back whole
inline constexpr char kSkippedTooLarge[] = "too large";              // past the size, ratio or time bound of one document
inline constexpr char kSkippedTooManyEntries[] = "too many entries"; // a package walk stopped by the entry cap
inline constexpr char kSkippedInterrupted[] = "interrupted";         // the caller asked to stop part-way
inline constexpr char kSkippedInterruptedRepair[] = "interrupted repair"; // a repair a dead run left could not be undone

}  // namespace qv
