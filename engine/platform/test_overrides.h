// Internal to the platform layer: what tests pinned through platform::testing, read by each
// platform's ProgramPath, Now and ConsoleMaxWidth before they ask the system.
#pragma once

#include <optional>
#include <string>

#include "engine/platform/fault_injection.h"
#include "engine/platform/platform.h"

namespace qv::platform::detail {

std::optional<std::u16string> OverriddenProgramPath();
std::optional<LocalTime> OverriddenClock();
std::optional<std::optional<int16_t>> OverriddenConsoleWidth();
// True when a test's fault hook wants the operation at `site` to fail (see fault_injection.h).
bool FaultInjected(testing::FaultSite site, const std::u16string& path = {});

}  // namespace qv::platform::detail
