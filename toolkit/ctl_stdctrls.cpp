#include "toolkit/ctl_stdctrls.h"

#include <cctype>

#include "base/sjis_bytes.h"

namespace kestrum::toolkit {
namespace {

// Equal apart from the letter case of single-byte letters; double-byte characters must match.
bool SameTextSjis(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (base::IsLeadByte(x) && i + 1 < a.size()) {
      if (x != y || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (std::tolower(x) != std::tolower(y)) {
      return false;
    }
  }
  return true;
}

}  // namespace

TLabel::TLabel(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}

void TLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Changed(TProperty::Text);
}

void TLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Changed(TProperty::Text);
}

TEdit::TEdit(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TEdit::SetReadOnly(bool value) {
  if (value == read_only_) return;
  read_only_ = value;
  Changed(TProperty::ReadOnly);
}

void TEdit::TextChanged() {
  if (OnChange) OnChange();
}

TButton::TButton(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
  SetTabStop(true);
}

void TButton::SetCursor(TCursor value) {
  if (value == cursor_) return;
  cursor_ = value;
  Changed(TProperty::Cursor);
}

TComboBox::TComboBox(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {
  SetTabStop(true);
  SetColor(clWindow);
}

void TComboBox::SetItems(const std::vector<std::string>& items) {
  if (items == items_) return;
  items_ = items;
  item_index_ = -1;
  Changed(TProperty::Items);
}

void TComboBox::SetItemIndex(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) index = -1;
  if (index == item_index_) return;
  item_index_ = index;
  Changed(TProperty::ItemIndex);
}

int TComboBox::IndexOf(std::string_view text) const {
  for (size_t i = 0; i < items_.size(); ++i) {
    if (SameTextSjis(items_[i], text)) return static_cast<int>(i);
  }
  return -1;
}

std::string TComboBox::SelectedText() const {
  return item_index_ < 0 ? std::string() : items_[static_cast<size_t>(item_index_)];
}

void TComboBox::UserSelected(int index) {
  if (index < -1 || index >= static_cast<int>(items_.size())) return;
  StoreFromUser(item_index_, true);
  Command(kCbnDropDown);
  StoreFromUser(index, true);
  Command(kCbnSelEndOk);
  StoreFromUser(index, false);
  Command(kCbnCloseUp);
  StoreFromUser(item_index_, false);
  Command(kCbnSelChange);
}

void TComboBox::SetDroppedDown(bool value) {
  // Always passed on: the native list may have closed without telling.
  dropped_down_ = value;
  Changed(TProperty::DroppedDown);
}

void TComboBox::StoreFromUser(int index, bool dropped_down) {
  if (index >= -1 && index < static_cast<int>(items_.size())) item_index_ = index;
  dropped_down_ = dropped_down;
}

void TComboBox::Command(int code) {
  if (code == kCbnSelChange && OnChange) OnChange();
}

void TComboBox::SetItemHeight(int value) {
  if (value == item_height_) return;
  item_height_ = value;
  Changed(TProperty::Items);
}

TPanel::TPanel(TComponent* owner, TWinControl* parent) : TWinControl(owner, parent) {}

TStatusBar::TStatusBar(TComponent* owner, TWinControl* parent) : TControl(owner, parent) {}

void TStatusBar::AddPanel(int width) {
  panels_.push_back(TStatusPanel{"", width});
  Changed(TProperty::Panels);
}

void TStatusBar::SetPanelText(size_t index, const std::string& text) {
  TStatusPanel& panel = panels_.at(index);
  if (panel.text == text) return;
  panel.text = text;
  Changed(TProperty::Panels);
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) { CreatePeers(); }

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Changed(TProperty::Timer);
}

void TTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  Changed(TProperty::Timer);
}

void TTimer::Tick() {
  if (enabled_ && OnTimer) OnTimer();
}

}  // namespace kestrum::toolkit
