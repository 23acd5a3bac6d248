#include "frontend/toolkit/markup/position.h"

#include <charconv>

#include "frontend/toolkit/markup/markup_limits.h"

namespace qv::ui {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::optional<PosValue> ParseValue(std::string_view text) {
  text = Trim(text);
  PosValue value;
  if (!text.empty() && text.front() == '-') {
    value.fromEnd = true;
    text.remove_prefix(1);
  }
  if (text.empty()) return std::nullopt;
  int magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
  if (error != std::errc() || end != text.data() + text.size() || magnitude < 0 ||
      magnitude > limit::kMaxCoordinate) {
    return std::nullopt;
  }
  value.offset = magnitude;
  return value;
}

int Resolve(const PosValue& value, int extent) {
  return value.fromEnd ? extent - value.offset : value.offset;
}

}  // namespace

std::optional<LayoutPos> ParsePos(std::string_view text) {
  LayoutPos pos;
  while (true) {
    const size_t comma = text.find(',');
    if (pos.count == 4) return std::nullopt;
    auto value = ParseValue(text.substr(0, comma));
    if (!value) return std::nullopt;
    pos.v[pos.count++] = *value;
    if (comma == std::string_view::npos) break;
    text.remove_prefix(comma + 1);
  }
  if (pos.count != 2 && pos.count != 4) return std::nullopt;
  return pos;
}

Box ComputeBox(const LayoutPos& pos, int parentWidth, int parentHeight, int stateWidth,
               int stateHeight) {
  Box box;
  box.left = Resolve(pos.v[0], parentWidth);
  box.top = Resolve(pos.v[1], parentHeight);
  if (pos.count == 4) {
    box.right = Resolve(pos.v[2], parentWidth);
    box.bottom = Resolve(pos.v[3], parentHeight);
  } else {
    box.right = box.left + stateWidth;
    box.bottom = box.top + stateHeight;
  }
  if (box.right < box.left) box.right = box.left;
  if (box.bottom < box.top) box.bottom = box.top;
  return box;
}

}  // namespace qv::ui
