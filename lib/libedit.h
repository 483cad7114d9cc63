#pragma once
// TLibEdit: the maker's single-line entry field for Japanese data-entry forms. On top of the
// plain edit it adds a typed entry mode with per-type key filtering and formatting on exit,
// width conversion, bounds, a focused background colour and its own unfocused painting, an
// overwrite mode, Enter/Up/Down navigation, a byte-exact length limit, and an optional field
// binding. All texts are Shift-JIS bytes.

#include <string>
#include <string_view>

#include "base/datetime.h"
#include "lib/libedit_field.h"
#include "lib/libnav.h"
#include "platform/clock.h"
#include "toolkit/ctl_keys.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::lib {

enum class TEditType {
  Strin,    // free text
  Numin,    // number with grouping
  NuminNo,  // number without sign, zero-padded
  Dayin,    // date with four-digit year
  DayinWa,  // era date with slashes
  DayinBi,  // era date with kanji
  StrinNo,  // digit groups with separators, zero shown empty
  Codein,   // digit groups with separators
  Timein,   // time, checked
  TimeinH,  // time, unchecked
};

enum class TExitMode { None, Zenkaku, Hankaku };
enum class TImeMode { imDontCare, imClose, imOpen };
enum class TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// 1867-12-31: the date value that stands for "no valid date".
constexpr base::TDateTime kNoValidDate = -11687;

// What a native edit adds to the control's peer: caret, selection and the caret's shape.
class TLibEditPeer {
 public:
  virtual ~TLibEditPeer() = default;
  // Byte positions in the control's text.
  virtual int SelStart() const = 0;
  virtual int SelLength() const = 0;
  virtual void SetSelection(int start, int length) = 0;
  // Recreates the caret: 0 bytes means the narrow caret, else as wide as that many bytes.
  virtual void ShapeCaret(int width_bytes) = 0;
  // A Delete key press and release sent to the edit itself.
  virtual void SendDeleteKey() = 0;
  virtual void Repaint() = 0;
};

class TLibEdit : public toolkit::TEdit {
 public:
  // `clock`: the one whose date relative date entry counts from.
  TLibEdit(toolkit::TComponent* owner, toolkit::TWinControl* parent, platform::TClockPort& clock);

  // Entry mode; setting it also sets UsingText and Alignment.
  TEditType EditType() const { return edit_type_; }
  void SetEditType(TEditType value);
  TExitMode ExitMode() const { return exit_mode_; }
  void SetExitMode(TExitMode value) { exit_mode_ = value; }
  // Format pattern of the type; setting a new one sets MaxLength to its byte length (+5 for
  // the date types).
  const std::string& UsingText() const { return using_text_; }
  void SetUsingText(const std::string& value);

  // The value text as it was at focus entry; the fallback for invalid numbers and times.
  const std::string& EnterText() const { return enter_text_; }
  void SetEnterText(const std::string& value) { enter_text_ = value; }
  // ValueText of FormatByType of Text.
  std::string ExitText();
  // Bounds; empty means none. The date types store the bound's date text.
  const std::string& ExitMinChk() const { return exit_min_chk_; }
  void SetExitMinChk(const std::string& value);
  const std::string& ExitMaxChk() const { return exit_max_chk_; }
  void SetExitMaxChk(const std::string& value);

  bool OriginalStyle() const { return original_style_; }
  // Turning it on applies the house style; turning it off changes nothing else.
  void SetOriginalStyle(bool value);
  toolkit::TColor EnterColor() const { return enter_color_; }
  void SetEnterColor(toolkit::TColor value) { enter_color_ = value; }
  bool EnterKeyNextField() const { return enter_key_next_field_; }
  void SetEnterKeyNextField(bool value) { enter_key_next_field_ = value; }
  bool OverWrite() const { return over_write_; }
  void SetOverWrite(bool value) { over_write_ = value; }
  toolkit::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(toolkit::TAlignment value);
  bool AutoClear() const { return auto_clear_; }
  void SetAutoClear(bool value) { auto_clear_ = value; }
  bool AutoRelease() const { return auto_release_; }
  void SetAutoRelease(bool value) { auto_release_ = value; }
  bool CheckBeep() const { return check_beep_; }
  void SetCheckBeep(bool value) { check_beep_ = value; }
  bool EnteringCursorTop() const { return entering_cursor_top_; }
  void SetEnteringCursorTop(bool value) { entering_cursor_top_ = value; }
  bool NextPrevKey() const { return next_prev_key_; }
  void SetNextPrevKey(bool value) { next_prev_key_ = value; }
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool value) { ctl3d_ = value; }
  toolkit::TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(toolkit::TBorderStyle value) { border_style_ = value; }
  TImeMode ImeMode() const { return ime_mode_; }
  void SetImeMode(TImeMode value) { ime_mode_ = value; }
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase value) { char_case_ = value; }
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char value) { password_char_ = value; }

  // The bound field (not owned); null for none. Clearing it is what freeing the source does.
  TEditField* Field() const { return field_; }
  void SetField(TEditField* field) { field_ = field; }

  // Era name the date formatting gives for 2019-05-01, and the years dates may take.
  const std::string& SystemEraName() const { return system_era_name_; }
  // Sets the era name as an older system would report it; MaxYear follows.
  void SetSystemEraName(const std::string& name);
  int MinYear() const { return min_year_; }
  int MaxYear() const { return max_year_; }

  // Text operations (libedit_text.cpp, libedit_date.cpp).
  // FormatByType, then the bounds; the text to show.
  std::string NormalizeText(std::string_view text);
  // The text as the field's type and exit mode format it; may set ByteLimit.
  std::string FormatByType(std::string_view text);
  // The value form of a formatted text.
  std::string ValueText(std::string_view text);
  // CleanNumber, without "-" for the unsigned types.
  std::string PlainNumber(std::string_view text) const;
  // The digits of `text` poured into the digit runs ("#", "0"-"9") of `pattern`.
  static std::string FillPattern(std::string_view text, std::string_view pattern);
  // A typed date (Western or era, short forms, relative entry) as "yyyy/mm/dd".
  std::string ParseDate(std::string_view text);
  // The date of year/month/day, corrected to an existing one; sets DateValue.
  base::TDateTime BuildDate(int year, int month, int day);

  base::TDateTime DateValue() const { return date_value_; }
  base::TDate DateParts() const { return date_parts_; }
  // Length limit in bytes of a focused free-text field; 0 = none.
  int ByteLimit() const { return byte_limit_; }
  void SetByteLimit(int value) { byte_limit_ = value; }

  // Named navigation targets for Enter, Up and Down; one destroyed since reads as none.
  toolkit::TControl* TabStopEnter() const { return nav_.TabStopEnter(); }
  void SetTabStopEnter(toolkit::TControl* control) { nav_.SetTabStopEnter(control); }
  toolkit::TControl* TabStopUp() const { return nav_.TabStopUp(); }
  void SetTabStopUp(toolkit::TControl* control) { nav_.SetTabStopUp(control); }
  toolkit::TControl* TabStopDown() const { return nav_.TabStopDown(); }
  void SetTabStopDown(toolkit::TControl* control) { nav_.SetTabStopDown(control); }

  // Focus and keys (libedit_keys.cpp).
  bool FieldFocused() const { return focused_; }
  bool JustEntered() const { return just_entered_; }
  int SelStart() const;
  int SelLength() const;
  void SetSelection(int start, int length);
  // Bytes the caret last covered: 0 for the narrow caret.
  int CaretWidthBytes() const { return caret_width_bytes_; }

  void DoEnter() override;
  void DoExit() override;
  bool KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) override;
  void KeyDown(toolkit::TKey& key, toolkit::TShiftState shift) override;
  void KeyUp(toolkit::TKey& key, toolkit::TShiftState shift) override;
  // One typed byte; a lead byte waits for its trail byte, and the whole character is then
  // judged and inserted by the field itself.
  void KeyPress(char& key) override;
  // A whole typed character (one byte, or a lead byte and its trail byte): judged whole before
  // anything is cleared or deleted; on return, what the edit is to insert (empty: nothing).
  void KeyPressCharacter(std::string& character);
  // A paste of `clipboard`: what the edit is to put in place of the selection, the first line,
  // as much of it, in whole characters, as keeps the text within the field's limit in bytes.
  std::string PasteText(std::string_view clipboard);
  void MouseWheel(int distance, toolkit::TShiftState shift) override;
  bool WantsKey(toolkit::TKey key) const override;
  void MouseDown();
  void MouseUp();
  // A cut or paste reaches the field (menu or keys).
  void CutOrPaste();
  // The bound field's value changed: the field shows it again.
  void DataChanged();
  // True when the text changed since the bound field was last written.
  bool Modified() const { return modified_; }

  // Unfocused look (libedit_paint.cpp).
  struct TLook {
    std::string text;
    toolkit::TColor text_color;
    toolkit::TColor background;
    // Pixels between the outer edge and the text area; a 1-pixel frame is drawn first.
    int border_offset;
    bool frame;
  };
  // What the field shows while it has no focus: the normalized text in the normal or
  // disabled colours.
  TLook UnfocusedLook();
  // The native edit has painted the focused field: caret and colour follow.
  void PaintedFocused();
  // Left edge of a text `text_width` pixels wide in a client area `client_width` wide.
  static int TextLeft(toolkit::TAlignment alignment, int client_width, int text_width,
                      int left_margin);
  toolkit::TColor NormalColor() const { return normal_color_; }
  static constexpr toolkit::TColor kDisabledFontColor = toolkit::clWindowText;
  static constexpr toolkit::TColor kDisabledColor = toolkit::clActiveBorder;

 private:
  void Beep() const;
  bool IsNumberType() const;
  bool IsDateType() const;
  // The number a plain-number text stands for; 0 when it does not read.
  static long double NumberOf(std::string_view plain);
  std::string ConvertByExitMode(std::string_view text) const;
  std::string FormatNumber(const std::string& text);
  std::string FormatDate(std::string_view text);
  std::string FormatTime(std::string text);
  // Numbers by value, dates by date, other texts byte by byte: -1, 0 or 1.
  int CompareForBounds(const std::string& a, const std::string& b);
  bool BelowBound(const std::string& working, const std::string& bound);
  bool AboveBound(const std::string& working, const std::string& bound);
  void ApplyBound(std::string& working, std::string& bound_slot);
  void SwapBoundsIfCrossed();
  std::string StoredBound(const std::string& value);
  void ApplyHouseStyle();
  void RedrawCaret(bool for_overwrite);
  void PutFieldInEditMode();
  void JudgeTyped(std::string& character);
  // The first typed character clears the whole text.
  bool TypingClears() const;
  // Bytes of the text that stay beside a character typed now.
  int BytesKeptByTyping() const;
  void AcceptTyped(bool overwrite);
  void InsertAtSelection(const std::string& bytes);
  void DeleteCharacterAtCaret();
  void UpdateRecord();
  void TextChanged() override;

  TEditType edit_type_ = TEditType::Strin;
  TExitMode exit_mode_ = TExitMode::None;
  std::string using_text_;
  std::string enter_text_;
  std::string exit_min_chk_;
  platform::TClockPort& clock_;
  std::string exit_max_chk_;
  bool original_style_ = false;
  toolkit::TColor enter_color_ = toolkit::clWindow;
  bool enter_key_next_field_ = true;
  bool over_write_ = false;
  toolkit::TAlignment alignment_ = toolkit::TAlignment::taLeftJustify;
  bool auto_clear_ = false;
  bool auto_release_ = false;
  bool check_beep_ = true;
  bool entering_cursor_top_ = true;
  bool next_prev_key_ = true;
  bool auto_select_ = true;
  bool ctl3d_ = true;
  toolkit::TBorderStyle border_style_ = toolkit::TBorderStyle::bsSingle;
  TImeMode ime_mode_ = TImeMode::imDontCare;
  TEditCharCase char_case_ = TEditCharCase::ecNormal;
  char password_char_ = '\0';
  TEditField* field_ = nullptr;

  std::string system_era_name_;
  int min_year_ = 0;
  int max_year_ = 0;
  base::TDateTime date_value_ = kNoValidDate;
  base::TDate date_parts_;

  TLibNavigation nav_{*this};
  bool modified_ = false;
  bool canvas_made_ = false;
  int caret_width_bytes_ = 0;
  // A lead byte typed alone, waiting for its trail byte; 0 for none.
  char pending_lead_ = 0;
  bool focused_ = false;
  bool just_entered_ = false;
  int byte_limit_ = 0;
  int saved_max_length_ = 0;
  toolkit::TColor normal_color_ = toolkit::clWindow;
  // Caret and selection while there is no native edit.
  int sel_start_ = 0;
  int sel_length_ = 0;
};

}  // namespace kestrum::lib
