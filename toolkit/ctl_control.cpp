#include "toolkit/ctl_control.h"

#include "toolkit/ctl_form.h"

namespace kestrum::toolkit {

TComponent::~TComponent() {
  alive_.reset();
  // Peers go first (children before parents), while every control they mirror still exists.
  DestroyPeers();
  while (!components_.empty()) components_.pop_back();
}

void TComponent::CreatePeers() {
  if (!peer_) peer_ = WidgetSet().CreatePeer(*this);
  for (auto& component : components_) component->CreatePeers();
}

void TComponent::DestroyPeers() {
  for (auto it = components_.rbegin(); it != components_.rend(); ++it) (*it)->DestroyPeers();
  peer_.reset();
}

TControl::TControl(TComponent* owner, TWinControl* parent) : TComponent(owner), parent_(parent) {
  if (parent_ != nullptr) {
    parent_->children_.push_back(this);
    parent_color_ = true;
    parent_font_ = true;
  }
}

TForm* TControl::ParentForm() const {
  for (TWinControl* p = parent_; p != nullptr; p = p->Parent()) {
    if (auto* form = dynamic_cast<TForm*>(p)) return form;
  }
  return nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  const TBounds bounds{left, top, width, height};
  if (bounds == bounds_) return;
  bounds_ = bounds;
  Changed(TProperty::Bounds);
}

void TControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Changed(TProperty::Text);
  TextChanged();
}

void TControl::StoreTextFromUser(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  TextChanged();
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Changed(TProperty::Enabled);
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  Changed(TProperty::Visible);
}

void TControl::SetColor(TColor color) {
  if (color == color_ && !parent_color_) return;
  color_ = color;
  parent_color_ = false;
  Changed(TProperty::Color);
}

void TControl::SetParentColor(bool value) {
  if (value == parent_color_) return;
  parent_color_ = value;
  Changed(TProperty::Color);
}

TColor TControl::EffectiveColor() const {
  if (parent_color_ && parent_ != nullptr) return parent_->EffectiveColor();
  return color_;
}

void TControl::SetFont(const TFont& font) {
  if (font == font_ && !parent_font_) return;
  font_ = font;
  parent_font_ = false;
  Changed(TProperty::Font);
}

void TControl::SetParentFont(bool value) {
  if (value == parent_font_) return;
  parent_font_ = value;
  Changed(TProperty::Font);
}

const TFont& TControl::EffectiveFont() const {
  if (parent_font_ && parent_ != nullptr) return parent_->EffectiveFont();
  return font_;
}

bool TControl::CanFocus() const {
  for (const TControl* c = this; c != nullptr; c = c->parent_) {
    if (!c->visible_ || !c->enabled_) return false;
  }
  return true;
}

void TControl::SetFocus() {
  TForm* form = ParentForm();
  const unsigned moves = form != nullptr ? form->FocusMoves() : 0;
  // A native window reports its focus back to the form; without one (or when the native
  // window cannot take it) the form moves the focus itself. A move reported meanwhile wins,
  // even one that an exit handler sent on to another control.
  if (Peer() != nullptr) Peer()->SetFocus();
  if (form != nullptr && form->FocusMoves() == moves && form->ActiveControl() != this) {
    form->FocusControl(this);
  }
}

bool TControl::Focused() const {
  const TForm* form = ParentForm();
  return form != nullptr && form->ActiveControl() == this;
}

void TControl::Click() {
  if (OnClick) OnClick();
}

void TControl::DoEnter() {
  if (OnEnter) OnEnter();
}

void TControl::DoExit() {
  if (OnExit) OnExit();
}

bool TControl::KeyDownNotify(TKey&, TShiftState) { return false; }

void TControl::KeyDown(TKey& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(key, shift);
}

void TControl::KeyUp(TKey& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(key, shift);
}

void TControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(key);
}

void TControl::MouseWheel(int, TShiftState) {}

bool TControl::QueryChildKey(TKey key) {
  for (TWinControl* p = parent_; p != nullptr; p = p->Parent()) {
    if (p->ChildKey(key, *this)) return true;
  }
  return false;
}

bool TControl::FocusNextControl(bool previous) {
  TForm* form = ParentForm();
  if (form == nullptr) return false;
  form->NextDialogControl(previous ? kPreviousControl : kNextControl, 0);
  return true;
}

bool TControl::DispatchKeyDown(TKey& key, TShiftState shift) {
  if (KeyDownNotify(key, shift)) return false;
  if (key == 0) return false;
  KeyDown(key, shift);
  return key != 0;
}

}  // namespace kestrum::toolkit
