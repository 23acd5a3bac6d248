// What every host window does the same way, whatever shows it: it holds the element tree
// built from its layout, registers its elements and finds them by name, turns clicks of
// named elements into command events, and routes drags to the drop targets registered for
// its elements (the element under the drag, or the nearest ancestor with a target, lights
// up as a drop zone). The backends add the native window, painting, timers and messages.
// Compiled with each backend: the drags carry that backend's DragData.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/toolkit/drop_target.h"
#include "frontend/toolkit/element_backend.h"
#include "frontend/toolkit/markup/layout_doc.h"
#include "frontend/toolkit/swindow.h"

namespace qv::ui {

struct EventArgs {
  int id = 0;
  std::string nameFrom;  // the name of the element that raised it
  SWindow* sender = nullptr;
};

class HostCore : public ElementHost {
 public:
  explicit HostCore(std::string layoutResId) : layoutResId_(std::move(layoutResId)) {}
  HostCore(const HostCore&) = delete;
  HostCore& operator=(const HostCore&) = delete;

  SWindow* GetRoot() const { return root_.get(); }
  const HostAttrs& Attrs() const { return attrs_; }
  const std::string& Name() const { return attrs_.name; }
  SWindow* FindChildByName(std::string_view name, int depth = -1);
  template <class T>
  T* FindChildByName2(std::string_view name, int depth = -1) {
    return dynamic_cast<T*>(FindChildByName(name, depth));
  }

  // Drags over the element `swnd` go to `target` (one reference is taken).
  bool RegisterDragDrop(SWND swnd, IDropTarget* target);
  bool RevokeDragDrop(SWND swnd);

  // ---- the elements' host (ElementHost) ----
  SWND RegisterElement(SWindow* element) override;
  void UnregisterElement(SWND swnd) override;
  SWindow* GetElement(SWND swnd) const;
  void FireCommand(SWindow* sender) override;
  const std::string& ContextName() const override { return attrs_.name; }

 protected:
  // The derived host calls DestroyTree() in its destructor, while its window still exists.
  ~HostCore();
  // Events of named elements (EVT_CMD for clicks); true when handled.
  virtual bool OnFireEvent(const EventArgs& event) { return false; }

  // The layout resource this host shows.
  const std::string& LayoutResId() const { return layoutResId_; }
  // Reads the layout: its window attributes become Attrs(). nullopt when it is malformed.
  std::optional<LayoutDoc> ReadLayoutDoc(std::string_view bytes);
  // Builds the element tree from the layout's root in a box of `width` × `height`.
  void BuildTree(const MarkupNode& rootNode, int width, int height);
  // The elements go (unregistering themselves), then the drop targets are released.
  void DestroyTree();

  // ---- drag routing; `point` in the window's coordinates, also handed to the targets ----
  // True when the drag is over an element with a target (which then chose `effect`).
  bool RouteDragEnter(const DragData* data, DragPoint point, int x, int y, uint32_t* effect);
  // A drag that moves onto another target's element leaves the previous target and enters
  // the new one with the drag's data.
  bool RouteDragOver(const DragData* data, DragPoint point, int x, int y, uint32_t* effect);
  void RouteDragLeave();
  // The target's answer (S_OK: taken), or nullopt when no target lies under the drop.
  std::optional<long> RouteDrop(const DragData* data, DragPoint point, int x, int y, uint32_t* effect);

 private:
  // The element under `x`,`y` that has a drop target, or the nearest ancestor that has one.
  SWindow* DropElementAt(int x, int y, IDropTarget** target) const;
  void SetDragElement(SWindow* element);

  std::string layoutResId_;
  HostAttrs attrs_;
  std::unique_ptr<SWindow> root_;
  std::map<SWND, SWindow*> elements_;
  SWND nextSwnd_ = 1;
  std::map<SWND, IDropTarget*> dropTargets_;
  IDropTarget* dragTarget_ = nullptr;  // the target the current drag is over
  SWND dragElement_ = 0;               // its element, lit up as a drop zone
};

}  // namespace qv::ui
