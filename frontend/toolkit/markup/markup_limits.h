// Limits on what the toolkit accepts from a resource package. The package ships with the
// program, but a replaced or damaged package must not make the program loop or exhaust memory.
#pragma once

#include <cstddef>

namespace qv::ui::limit {

inline constexpr size_t kMarkupBytes = 1u << 20;        // one XML member of the package
inline constexpr size_t kPackageMemberBytes = 8u << 20;  // one member of any kind (images)
inline constexpr size_t kPackageMembers = 4096;         // members listed in the zip directory
inline constexpr int kLayoutDepth = 32;                 // element nesting in a layout
inline constexpr size_t kLayoutNodes = 4096;            // elements in one layout
inline constexpr int kMaxCoordinate = 100000;           // any position or size value, in pixels
inline constexpr int kMaxSkinStates = 64;               // states of an image list

}  // namespace qv::ui::limit
