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

#include "toolkit/ctl_graphics.h"
#include "toolkit/ctl_keys.h"
#include "toolkit/ctl_peer.h"

namespace kestrum::toolkit {

using TNotifyEvent = std::function<void()>;
using TKeyEvent = std::function<void(TKey& key, TShiftState shift)>;
using TKeyPressEvent = std::function<void(char& key)>;

class TComponent {
 public:
  explicit TComponent(TComponent* owner) : owner_(owner) {}
  virtual ~TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TComponent* Owner() const { return owner_; }
  // Expires when this component is destroyed; see TComponentRef.
  std::weak_ptr<const bool> AliveToken() const { return alive_; }

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
  std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);
};

// A non-owning reference to a component that reads as null once the component is destroyed,
// so a stale reference can never be followed.
template <class T>
class TComponentRef {
 public:
  TComponentRef() = default;
  TComponentRef(T* component)  // NOLINT: implicit, like the raw pointer it stands for
      : component_(component) {
    if (component != nullptr) alive_ = component->AliveToken();
  }
  T* Get() const { return alive_.expired() ? nullptr : component_; }
  // The pointer as stored, for comparisons only: it may be stale.
  const T* Stored() const { return component_; }

 private:
  T* component_ = nullptr;
  std::weak_ptr<const bool> alive_;
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
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  // Runs OnClick, as a click of the user does.
  virtual void Click();

  // Focus entry and exit, run by the form when the focus moves between its controls.
  virtual void DoEnter();
  virtual void DoExit();
  // A key went down, before the control's own window handles it. True: the key is consumed
  // and the window never sees it.
  virtual bool KeyDownNotify(TKey& key, TShiftState shift);
  // The control's own handling of a key; setting `key` to 0 discards it.
  virtual void KeyDown(TKey& key, TShiftState shift);
  virtual void KeyUp(TKey& key, TShiftState shift);
  // A typed character (one byte of a double-byte one at a time); 0 discards it.
  virtual void KeyPress(char& key);
  // Wheel turned by `distance` (multiples of kWheelDelta; positive away from the user). The
  // window's own wheel handling runs afterwards in every case.
  virtual void MouseWheel(int distance, TShiftState shift);
  // Keys the control handles itself that a dialog manager would otherwise take (Enter, arrows).
  virtual bool WantsKey(TKey /*key*/) const { return false; }
  // The child-key query: offers `key`, which went down in `sender`, to this control; true when
  // it took the key.
  virtual bool ChildKey(TKey /*key*/, TControl& /*sender*/) { return false; }
  // Offers `key` to every parent, innermost first; true when one of them took it.
  bool QueryChildKey(TKey key);
  // Asks the containing form to focus its next (or previous) control in tab order; false
  // when the control lies on no form.
  bool FocusNextControl(bool previous);

  // Native input in the order a window receives it: the notification, then (unless consumed)
  // the own handling. True when the window's default handling should still see `key`.
  bool DispatchKeyDown(TKey& key, TShiftState shift);

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

}  // namespace kestrum::toolkit
