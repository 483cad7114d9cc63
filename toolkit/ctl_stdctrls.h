#pragma once
// The plain controls: label, single-line edit, push button, drop-down list, panel, status bar
// and the one-shot/periodic timer. The maker's controls derive from these.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "toolkit/ctl_control.h"

namespace kestrum::toolkit {

class TLabel : public TControl {
 public:
  TLabel(TComponent* owner, TWinControl* parent);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value) { auto_size_ = value; }

 private:
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TTextLayout layout_ = TTextLayout::tlTop;
  bool auto_size_ = true;
};

class TEdit : public TControl {
 public:
  TEdit(TComponent* owner, TWinControl* parent);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  // Bytes; 0 = no limit.
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value) { max_length_ = value; }
  // Text typed by the user into the native edit.
  void UserEdited(const std::string& text) { StoreTextFromUser(text); }

 protected:
  void TextChanged() override;

 private:
  bool read_only_ = false;
  int max_length_ = 0;
};

enum class TCursor { crDefault, crHandPoint };

class TButton : public TControl {
 public:
  TButton(TComponent* owner, TWinControl* parent);
  // The button a dialog's Enter key presses.
  bool Default() const { return default_; }
  void SetDefault(bool value) { default_ = value; }
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor value);

 private:
  bool default_ = false;
  TCursor cursor_ = TCursor::crDefault;
};

// Owner-drawn styles need an item painter of the user's; without one the items stay blank.
enum class TComboBoxStyle { csDropDown, csDropDownList, csOwnerDrawVariable };

// Notification codes of the native combo box, as delivered to Command.
constexpr int kCbnSelChange = 1;
constexpr int kCbnSetFocus = 3;
constexpr int kCbnKillFocus = 4;
constexpr int kCbnDropDown = 7;
constexpr int kCbnCloseUp = 8;
constexpr int kCbnSelEndOk = 9;

class TComboBox : public TControl {
 public:
  TComboBox(TComponent* owner, TWinControl* parent);

  const std::vector<std::string>& Items() const { return items_; }
  void SetItems(const std::vector<std::string>& items);
  // -1 when no entry is selected. Selecting in code does not run OnChange.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int index);
  // Index of the entry equal to `text`, letter case of single-byte letters ignored; -1 if none.
  int IndexOf(std::string_view text) const;
  // The selected entry's text; empty when none is selected.
  std::string SelectedText() const;
  // The user picked an entry in the open list, as the native box reports it: the list
  // confirms the entry, closes, then reports the selection change.
  void UserSelected(int index);

  // Whether the drop-down list is open; setting it opens or closes the list.
  bool DroppedDown() const { return dropped_down_; }
  void SetDroppedDown(bool value);
  // The state the native box is in, stored without echoing it back.
  void StoreFromUser(int index, bool dropped_down);
  // Text typed into the box's own edit (editable style).
  void UserEdited(const std::string& text) { StoreTextFromUser(text); }
  // A notification of the native box (kCbn* codes). Selection changed runs OnChange.
  virtual void Command(int code);

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value) { style_ = value; }
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int value) { drop_down_count_ = value; }
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value);

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
  bool dropped_down_ = false;
  TComboBoxStyle style_ = TComboBoxStyle::csDropDown;
  int drop_down_count_ = 8;
  int item_height_ = 16;
};

enum class TBevelCut { bvNone, bvLowered, bvRaised };
enum class TBorderStyle { bsNone, bsSingle };

class TPanel : public TWinControl {
 public:
  TPanel(TComponent* owner, TWinControl* parent);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value) { bevel_outer_ = value; }
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value) { bevel_inner_ = value; }
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int value) { bevel_width_ = value; }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value) { border_style_ = value; }
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool value) { ctl3d_ = value; }
  bool ParentCtl3D() const { return parent_ctl3d_; }
  void SetParentCtl3D(bool value) { parent_ctl3d_ = value; }

 private:
  TBevelCut bevel_outer_ = TBevelCut::bvRaised;
  TBevelCut bevel_inner_ = TBevelCut::bvNone;
  int bevel_width_ = 1;
  TBorderStyle border_style_ = TBorderStyle::bsNone;
  bool ctl3d_ = true;
  bool parent_ctl3d_ = true;
};

struct TStatusPanel {
  std::string text;
  int width = 50;
};

class TStatusBar : public TControl {
 public:
  TStatusBar(TComponent* owner, TWinControl* parent);
  const std::vector<TStatusPanel>& Panels() const { return panels_; }
  void AddPanel(int width);
  const std::string& PanelText(size_t index) const { return panels_.at(index).text; }
  void SetPanelText(size_t index, const std::string& text);
  bool SizeGrip() const { return size_grip_; }
  void SetSizeGrip(bool value) { size_grip_ = value; }

 private:
  std::vector<TStatusPanel> panels_;
  bool size_grip_ = true;
};

// Runs whether or not its form is shown, so its peer exists from construction.
class TTimer : public TComponent {
 public:
  explicit TTimer(TComponent* owner);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // Milliseconds.
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);
  TNotifyEvent OnTimer;
  // The interval has passed.
  void Tick();

 private:
  bool enabled_ = true;
  uint32_t interval_ = 1000;
};

}  // namespace kestrum::toolkit
