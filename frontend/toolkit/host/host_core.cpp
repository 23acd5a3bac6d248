#include "frontend/toolkit/host/host_core.h"

namespace qv::ui {

HostCore::~HostCore() { DestroyTree(); }

void HostCore::DestroyTree() {
  root_.reset();  // elements unregister themselves while the host is still whole
  for (auto& [swnd, target] : dropTargets_) target->Release();
  dropTargets_.clear();
  dragTarget_ = nullptr;
  dragElement_ = 0;
}

std::optional<LayoutDoc> HostCore::ReadLayoutDoc(std::string_view bytes) {
  auto doc = ReadLayout(bytes);
  if (doc) attrs_ = doc->host;
  return doc;
}

void HostCore::BuildTree(const MarkupNode& rootNode, int width, int height) {
  root_ = std::make_unique<SWindow>(this, nullptr);
  root_->Move(PixelRect{0, 0, width, height});
  root_->InitFromXml(rootNode);
}

SWindow* HostCore::FindChildByName(std::string_view name, int depth) {
  if (!root_) return nullptr;
  if (root_->GetName() == name) return root_.get();
  return root_->FindChildByName(name, depth);
}

SWND HostCore::RegisterElement(SWindow* element) {
  const SWND swnd = nextSwnd_++;
  elements_[swnd] = element;
  return swnd;
}

void HostCore::UnregisterElement(SWND swnd) {
  elements_.erase(swnd);
  if (dragElement_ == swnd) dragElement_ = 0;
  auto it = dropTargets_.find(swnd);
  if (it != dropTargets_.end()) {
    if (dragTarget_ == it->second) dragTarget_ = nullptr;
    it->second->Release();
    dropTargets_.erase(it);
  }
}

SWindow* HostCore::GetElement(SWND swnd) const {
  auto it = elements_.find(swnd);
  return it == elements_.end() ? nullptr : it->second;
}

void HostCore::FireCommand(SWindow* sender) {
  if (!sender) return;
  OnFireEvent(EventArgs{EVT_CMD, sender->GetName(), sender});
}

// ---- drag and drop ----

bool HostCore::RegisterDragDrop(SWND swnd, IDropTarget* target) {
  if (!target || !GetElement(swnd)) return false;
  target->AddRef();
  auto [it, inserted] = dropTargets_.emplace(swnd, target);
  if (!inserted) {
    it->second->Release();
    it->second = target;
  }
  return true;
}

bool HostCore::RevokeDragDrop(SWND swnd) {
  auto it = dropTargets_.find(swnd);
  if (it == dropTargets_.end()) return false;
  if (dragTarget_ == it->second) dragTarget_ = nullptr;
  it->second->Release();
  dropTargets_.erase(it);
  return true;
}

SWindow* HostCore::DropElementAt(int x, int y, IDropTarget** target) const {
  *target = nullptr;
  for (SWindow* element = root_ ? root_->HitTest(x, y) : nullptr; element; element = element->GetParent()) {
    auto it = dropTargets_.find(element->GetSwnd());
    if (it != dropTargets_.end()) {
      *target = it->second;
      return element;
    }
  }
  return nullptr;
}

void HostCore::SetDragElement(SWindow* element) {
  const SWND swnd = element ? element->GetSwnd() : 0;
  if (dragElement_ == swnd) return;
  if (SWindow* previous = GetElement(dragElement_)) previous->SetDropHighlight(false);
  dragElement_ = swnd;
  if (element) element->SetDropHighlight(true);
}

bool HostCore::RouteDragEnter(const DragData* data, DragPoint point, int x, int y, uint32_t* effect) {
  SetDragElement(DropElementAt(x, y, &dragTarget_));
  if (!dragTarget_) return false;
  dragTarget_->DragEnter(data, 0, point, effect);
  return true;
}

bool HostCore::RouteDragOver(const DragData* data, DragPoint point, int x, int y, uint32_t* effect) {
  IDropTarget* target = nullptr;
  SWindow* element = DropElementAt(x, y, &target);
  if (target != dragTarget_) {
    if (dragTarget_) dragTarget_->DragLeave();
    dragTarget_ = target;
    if (target) target->DragEnter(data, 0, point, effect);
  } else if (target) {
    target->DragOver(0, point, effect);
  }
  SetDragElement(element);
  return target != nullptr;
}

void HostCore::RouteDragLeave() {
  if (dragTarget_) dragTarget_->DragLeave();
  dragTarget_ = nullptr;
  SetDragElement(nullptr);
}

std::optional<long> HostCore::RouteDrop(const DragData* data, DragPoint point, int x, int y, uint32_t* effect) {
  IDropTarget* target = nullptr;
  DropElementAt(x, y, &target);
  dragTarget_ = nullptr;
  SetDragElement(nullptr);
  if (!target) return std::nullopt;
  target->AddRef();  // the drop may start work that changes the registrations
  const long result = target->Drop(data, 0, point, effect);
  target->Release();
  return result;
}

}  // namespace qv::ui
