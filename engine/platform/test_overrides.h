// Internal to the platform layer: what tests pinned through platform::testing, read by each
// platform's ProgramPath, Now and ConsoleMaxWidth before they ask the system.
#pragma once

#include <optional>
#include <string>

#include "engine/platform/platform.h"

namespace qv::platform::detail {

std::optional<std::u16string> OverriddenProgramPath();
std::optional<LocalTime> OverriddenClock();
std::optional<std::optional<int16_t>> OverriddenConsoleWidth();

}  // namespace qv::platform::detail
