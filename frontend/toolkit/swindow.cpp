#include "frontend/toolkit/swindow.h"

#include <charconv>

#include "engine/platform/platform.h"
#include "frontend/toolkit/controls.h"

namespace qv::ui {
namespace {

ElementResources* g_resources = nullptr;

}  // namespace

ElementResources* ElementResources::Current() { return g_resources; }
void ElementResources::SetCurrent(ElementResources* resources) { g_resources = resources; }

const std::string* AttrReader::Get(std::string_view name) const {
  if (const std::string* own = node_.Attr(name)) return own;
  return style_ ? style_->Attr(name) : nullptr;
}

int AttrReader::IntOr(std::string_view name, int fallback) const {
  const std::string* text = Get(name);
  if (!text) return fallback;
  int value = 0;
  auto [end, error] = std::from_chars(text->data(), text->data() + text->size(), value);
  return (error == std::errc() && end == text->data() + text->size()) ? value : fallback;
}

uint32_t ColorOr(const std::string* text, uint32_t fallback) {
  if (!text) return fallback;
  auto argb = ParseColor(*text);
  return argb ? *argb : fallback;
}

SWindow::SWindow(ElementHost* host, SWindow* parent) : host_(host), parent_(parent) {
  if (host_) swnd_ = host_->RegisterElement(this);
}

SWindow::~SWindow() {
  children_.clear();  // the children (and their native views) go first
  view_.reset();
  if (host_) host_->UnregisterElement(swnd_);
}

std::u16string SWindow::LayoutText(const std::string& raw) const {
  ElementResources* resources = ElementResources::Current();
  if (!resources) return platform::FromUtf8(raw);
  return resources->LayoutText(host_ ? host_->ContextName() : std::string_view(), raw);
}

void SWindow::InitFromXml(const MarkupNode& node) {
  ElementResources* resources = ElementResources::Current();
  const MarkupNode* style = nullptr;
  if (const std::string* cls = node.Attr("class"); cls && resources) style = resources->GetStyle(*cls);
  const AttrReader attrs(node, style);

  name_ = attrs.Get("name") ? *attrs.Get("name") : std::string();
  if (const std::string* pos = attrs.Get("pos")) pos_ = ParsePos(*pos);
  if (const std::string* skin = attrs.Get("skin"); skin && resources) skin_ = resources->GetSkin(*skin);
  if (resources) font_ = resources->Font(attrs.Get("font") ? *attrs.Get("font") : std::string());
  textColor_ = ColorOr(attrs.Get("colorText"), textColor_);
  disabledColor_ = ColorOr(attrs.Get("colorTextDisable"), disabledColor_);
  if (const std::string* align = attrs.Get("align")) {
    if (*align == "center") align_ = kAlignCenter;
    else if (*align == "right") align_ = kAlignRight;
  }
  if (const std::string* cursor = attrs.Get("cursor"); cursor && *cursor == "hand") handCursor_ = true;
  if (const std::string* tip = attrs.Get("tip")) tip_ = LayoutText(*tip);
  if (!node.text.empty()) text_ = LayoutText(node.text);
  if (const std::string* visible = attrs.Get("visible"); visible && *visible == "0") visible_ = false;
  OnAttributes(attrs);
  if (host_ && !view_) {
    view_ = host_->MakeView(*this);
    if (view_) view_->BoxChanged();
  }

  for (const MarkupNode& child : node.children) {
    if (IsDataTag(child.tag)) continue;
    std::unique_ptr<SWindow> element = CreateElement(child.tag, host_, this);
    if (!element) continue;  // unknown kind
    SWindow* raw = element.get();
    children_.push_back(std::move(element));
    raw->InitFromXml(child);
  }
  UpdateChildrenPosition();
}

SWindow* SWindow::FindChildByName(std::string_view name, int depth) {
  if (depth == 0) return nullptr;
  for (const auto& child : children_) {
    if (child->name_ == name) return child.get();
  }
  for (const auto& child : children_) {
    if (SWindow* found = child->FindChildByName(name, depth < 0 ? -1 : depth - 1)) return found;
  }
  return nullptr;
}

void SWindow::SetWindowText(const std::u16string& text) {
  text_ = text;
  if (view_) view_->TextChanged();
  Invalidate();
}

void SWindow::EnableWindow(bool enable, bool update) {
  if (enabled_ == enable) return;
  enabled_ = enable;
  if (view_) view_->EnabledChanged();
  OnEnableChanged();
  Invalidate();
}

void SWindow::SetVisible(bool visible, bool update) {
  if (visible_ == visible) return;
  visible_ = visible;
  if (view_) view_->VisibleChanged();
  Invalidate();
}

bool SWindow::IsVisible() const { return visible_ && (!parent_ || parent_->IsVisible()); }

bool SWindow::IsDisabled() const { return !enabled_ || (parent_ && parent_->IsDisabled()); }

bool SWindow::DragsWindow() const { return parent_ ? parent_->DragsWindow() : false; }

void SWindow::SetDropHighlight(bool on) {
  if (dropHighlight_ == on) return;
  dropHighlight_ = on;
  Invalidate();
}

void SWindow::Invalidate() {
  if (view_) view_->Invalidate();
}

StateSize SWindow::GetStateSize() const { return skin_ ? skin_->GetStateSize() : StateSize{}; }

void SWindow::Move(const PixelRect& box) {
  box_ = box;
  if (view_) view_->BoxChanged();
  UpdateChildrenPosition();
}

void SWindow::UpdateChildrenPosition() {
  for (const auto& child : children_) {
    if (!child->pos_) {
      child->Move(box_);  // an element without a position fills its parent
    } else {
      const StateSize state = child->GetStateSize();
      const Box b = ComputeBox(*child->pos_, box_.width, box_.height, state.width, state.height);
      child->Move(PixelRect{box_.x + b.left, box_.y + b.top, b.Width(), b.Height()});
    }
  }
}

bool SWindow::Contains(int x, int y) const {
  return x >= box_.x && y >= box_.y && x < box_.x + box_.width && y < box_.y + box_.height;
}

SWindow* SWindow::HitTest(int x, int y) {
  if (!visible_ || !Contains(x, y)) return nullptr;
  for (auto it = children_.rbegin(); it != children_.rend(); ++it) {
    if (SWindow* hit = (*it)->HitTest(x, y)) return hit;
  }
  return this;
}

void SWindow::Paint(Painter& painter, const PixelRect& clip) {
  if (!visible_ || box_.IsEmpty()) return;
  if (box_.x >= clip.x + clip.width || clip.x >= box_.x + box_.width || box_.y >= clip.y + clip.height ||
      clip.y >= box_.y + box_.height) {
    return;  // children lie inside their parent
  }
  DrawContent(painter);
  for (const auto& child : children_) child->Paint(painter, clip);
}

void SWindow::DrawContent(Painter& painter) {
  if (skin_) painter.DrawSkin(*skin_, box_, SkinState(), 1.0f);
  DrawText(painter, box_, font_, textColor_);
}

void SWindow::DrawText(Painter& painter, const PixelRect& box, FontHandle font, uint32_t color) {
  if (text_.empty() || box.IsEmpty()) return;
  painter.DrawText(text_, box, font, IsDisabled() ? disabledColor_ : color, align_);
}

}  // namespace qv::ui
