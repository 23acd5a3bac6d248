// A drop target registered for one element of a host window. The host's dispatcher hands
// it the drags that happen over that element (and only there) while the element is visible.
// Reference counted: the host holds one reference per registration.
#pragma once

#include <cstdint>

#include "frontend/toolkit/drag_data.h"

namespace qv::ui {

class IDropTarget {
 public:
  virtual long AddRef() = 0;
  virtual long Release() = 0;  // deletes the object when the count reaches 0
  // `effect` is in/out: the effects the source allows in, the one chosen out.
  virtual long DragEnter(const DragData* data, uint32_t keyState, DragPoint point, uint32_t* effect) = 0;
  virtual long DragOver(uint32_t keyState, DragPoint point, uint32_t* effect) = 0;
  virtual long DragLeave() = 0;
  virtual long Drop(const DragData* data, uint32_t keyState, DragPoint point, uint32_t* effect) = 0;

 protected:
  virtual ~IDropTarget() = default;
};

}  // namespace qv::ui
