#pragma once
// Base classes of the toolkit: a component owns the components created on it; a control has
// the common properties (text, geometry, enabled, visible, colour, font, tab order, hint) that
// work with or without a native window. Setters store a value only when it changes, and then
// tell the peer (if any) so the native window follows.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "lib/ctl_graphics.h"
#include "lib/ctl_peer.h"

namespace kestrum::lib {

using TNotifyEvent = std::function<void()>;

class TComponent {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TComponent* Owner() const { return owner_; }

  // Creates a component owned (and freed) by this one.
  template <class T, class... Args>
  T* Make(const std::string& name, Args&&... args) {
    auto component = std::make_unique<T>(this, std::forward<Args>(args)...);
    T* raw = component.get();
    raw->SetName(name);
    components_.push_back(std::move(component));
    return raw;
  }
  const std::vector<std::unique_ptr<TComponent>>& Components() const { return components_; }

  TControlPeer* Peer() const { return peer_.get(); }
  // Creates the peers of this component and of everything it owns, in creation order.
  void CreatePeers();
  void DestroyPeers();

 protected:
  void Changed(TProperty property) {
    if (peer_) peer_->Changed(property);
  }

 private:
  std::string name_;
  TComponent* owner_;
  std::vector<std::unique_ptr<TComponent>> components_;
  std::unique_ptr<TControlPeer> peer_;
};

class TWinControl;
class TForm;

struct TBounds {
  int left = 0, top = 0, width = 0, height = 0;
  friend bool operator==(const TBounds&, const TBounds&) = default;
};

class TControl : public TComponent {
 public:
  TControl(TComponent* owner, TWinControl* parent);

  TWinControl* Parent() const { return parent_; }
  // The form the control lies on; null when it lies on none.
  TForm* ParentForm() const;

  const TBounds& Bounds() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);

  // The control's text: caption of labels, buttons and panels, content of edits.
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  const std::string& Caption() const { return text_; }
  void SetCaption(const std::string& caption) { SetText(caption); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);

  TColor Color() const { return color_; }
  void SetColor(TColor color);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool value);
  // The colour painted: the parent's while ParentColor is set.
  TColor EffectiveColor() const;

  const TFont& Font() const { return font_; }
  void SetFont(const TFont& font);
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool value);
  const TFont& EffectiveFont() const;

  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int value) { tab_order_ = value; }
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool value) { tab_stop_ = value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value) { show_hint_ = value; }

  // True when the control and all its parents are visible and enabled.
  bool CanFocus() const;
  void SetFocus();
  bool Focused() const;

  TNotifyEvent OnClick;
  TNotifyEvent OnChange;
  // Runs OnClick, as a click of the user does.
  virtual void Click();

 protected:
  // The text as the user left it in the native control: stored without echoing to the peer.
  void StoreTextFromUser(const std::string& text);
  virtual void TextChanged() {}

 private:
  TWinControl* parent_;
  TBounds bounds_;
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;
  TColor color_ = clBtnFace;
  bool parent_color_ = false;
  TFont font_;
  bool parent_font_ = false;
  int tab_order_ = 0;
  bool tab_stop_ = false;
  std::string hint_;
  bool show_hint_ = false;
};

// A control that can contain others; the children are listed in creation order.
class TWinControl : public TControl {
 public:
  using TControl::TControl;
  const std::vector<TControl*>& Children() const { return children_; }

 private:
  friend class TControl;
  std::vector<TControl*> children_;
};

}  // namespace kestrum::lib
