// Focus cycle, keys and field binding of the edit control.
#include "lib/libedit_keys.h"

#include <algorithm>

#include "base/sjis_bytes.h"
#include "lib/libedit.h"
#include "toolkit/ctl_form.h"

namespace kestrum::lib {
namespace {

constexpr char kBackspace = 8;
constexpr char kCtrlV = 22;
constexpr char kCtrlX = 24;
constexpr char kEnter = 13;
constexpr char kEscape = 27;
constexpr unsigned char kFirstPrintable = 32;

}  // namespace

void TLibEdit::DoEnter() {
  // The window got the focus: the field shows its bound value again.
  focused_ = true;
  if (field_ != nullptr) DataChanged();
  toolkit::TEdit::DoEnter();
  // Entered by key or in code the whole text is selected; a click then places the caret.
  if (auto_select_) SetSelection(0, static_cast<int>(Text().size()));
  nav_.Entered();
  saved_max_length_ = MaxLength();
  just_entered_ = true;
  enter_text_ = ExitText();
  if (entering_cursor_top_) SetSelection(0, 0);
  if (original_style_) {
    if (edit_type_ == TEditType::Strin) {
      over_write_ = false;
      if (MaxLength() != 0) {
        byte_limit_ = MaxLength();
      } else if (field_ != nullptr && field_->Size() > 0) {
        byte_limit_ = field_->Size();
      }
      // The key rule keeps the limit in bytes; the native edit would count characters.
      SetMaxLength(0);
    } else {
      over_write_ = edit_type_ != TEditType::Numin;
      ime_mode_ = TImeMode::imClose;
    }
  }
  pending_lead_ = 0;
  SetColor(enter_color_);
}

void TLibEdit::DoExit() {
  if (field_ != nullptr && modified_) {
    try {
      UpdateRecord();
    } catch (...) {
      // The value could not be stored: the field keeps the focus.
      if (toolkit::TForm* form = ParentForm()) form->FocusControl(this);
      throw;
    }
  }
  focused_ = false;
  SetMaxLength(saved_max_length_);
  SetColor(normal_color_);
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) peer->Repaint();
  toolkit::TEdit::DoExit();
  nav_.Exited();
}

bool TLibEdit::KeyDownNotify(toolkit::TKey& key, toolkit::TShiftState shift) {
  nav_.SetFocusTarget(nullptr);
  // The move itself happens in KeyDown; the exit then goes on to the target.
  if (nav_.AimAt(nav_.NamedTarget(key))) return false;
  return toolkit::TEdit::KeyDownNotify(key, shift);
}

bool TLibEdit::WantsKey(toolkit::TKey key) const {
  return key == toolkit::kVkReturn || key == toolkit::kVkUp || key == toolkit::kVkDown;
}

void TLibEdit::KeyDown(toolkit::TKey& key, toolkit::TShiftState shift) {
  if (focused_) RedrawCaret(false);
  toolkit::TEdit::KeyDown(key, shift);
  if (!focused_) {
    key = 0;
    return;
  }
  switch (key) {
    case toolkit::kVkReturn:
      key = 0;
      if (enter_key_next_field_) FocusNextControl(false);
      break;
    case toolkit::kVkUp:
      key = 0;
      if (next_prev_key_) FocusNextControl(true);
      break;
    case toolkit::kVkDown:
      key = 0;
      if (next_prev_key_) FocusNextControl(false);
      break;
    case toolkit::kVkLeft:
    case toolkit::kVkRight:
      just_entered_ = false;
      break;
    case toolkit::kVkInsert:
      over_write_ = !over_write_;
      just_entered_ = false;
      break;
    case toolkit::kVkDelete:
      if (!ReadOnly()) {
        PutFieldInEditMode();
        just_entered_ = false;
      }
      break;
    case toolkit::kVkHome:
      // A second Home, at the start with nothing selected, clears the field.
      if ((shift & toolkit::kShiftShift) == 0 && SelStart() == 0 && SelLength() == 0 &&
          !ReadOnly()) {
        PutFieldInEditMode();
        SetText("");
        just_entered_ = false;
      }
      break;
    default:
      break;
  }
}

void TLibEdit::KeyUp(toolkit::TKey& key, toolkit::TShiftState shift) {
  toolkit::TEdit::KeyUp(key, shift);
  if (focused_) RedrawCaret(true);
}

void TLibEdit::MouseDown() { RedrawCaret(false); }

void TLibEdit::MouseUp() {
  if (focused_) RedrawCaret(true);
}

void TLibEdit::MouseWheel(int distance, toolkit::TShiftState shift) {
  if (next_prev_key_) nav_.Wheel(distance);
  toolkit::TEdit::MouseWheel(distance, shift);
}

void TLibEdit::KeyPress(char& key) {
  toolkit::TEdit::KeyPress(key);
  const auto code = static_cast<unsigned char>(key);
  if (pending_lead_ != 0) {
    const char lead = pending_lead_;
    pending_lead_ = 0;
    // The character is whole now: judged, and inserted here, as the edit got neither byte.
    if (code >= kFirstPrintable) {
      std::string character{lead, key};
      key = 0;
      JudgeTyped(character);
      if (!character.empty()) InsertAtSelection(character);
      return;
    }
  }
  switch (key) {
    case kBackspace:
    case kCtrlX:
      if (!ReadOnly()) {
        PutFieldInEditMode();
        just_entered_ = false;
      }
      return;
    case kEnter:
      key = 0;
      return;
    case kCtrlV:
      AcceptTyped(false);
      return;
    case kEscape:
      key = 0;
      if (field_ != nullptr) DataChanged();
      modified_ = false;
      return;
    default:
      break;
  }
  if (code < kFirstPrintable) return;
  if (base::IsLeadByte(code)) {
    // Half a character: nothing is judged, cleared or deleted before its trail byte.
    pending_lead_ = key;
    key = 0;
    return;
  }
  std::string character(1, key);
  JudgeTyped(character);
  key = character.empty() ? 0 : character.front();
}

void TLibEdit::KeyPressCharacter(std::string& character) {
  if (character.size() != 2) {
    char key = character.empty() ? 0 : character.front();
    KeyPress(key);
    character = key == 0 ? std::string() : std::string(1, key);
    return;
  }
  pending_lead_ = 0;
  for (char& byte : character) {
    toolkit::TEdit::KeyPress(byte);
    if (byte == 0) {
      character.clear();
      return;
    }
  }
  JudgeTyped(character);
}

void TLibEdit::JudgeTyped(std::string& character) {
  const TKeyVerdict verdict =
      FilterTypedCharacter(edit_type_, using_text_, byte_limit_, BytesKeptByTyping(), character);
  if (verdict == TKeyVerdict::Reject) Beep();
  if (verdict != TKeyVerdict::Accept) {
    character.clear();
    return;
  }
  AcceptTyped(true);
}

bool TLibEdit::TypingClears() const {
  return !ReadOnly() && just_entered_ && SelStart() == 0 &&
         (edit_type_ != TEditType::Strin || auto_clear_);
}

int TLibEdit::BytesKeptByTyping() const {
  const std::string& text = Text();
  const int size = static_cast<int>(text.size());
  if (TypingClears()) return 0;
  if (SelLength() > 0) return size - SelLength();
  return over_write_ ? size - CharacterBytesAt(text, SelStart()) : size;
}

void TLibEdit::AcceptTyped(bool overwrite) {
  if (!ReadOnly()) {
    PutFieldInEditMode();
    if (TypingClears()) SetText("");
  }
  just_entered_ = false;
  if (overwrite && over_write_) DeleteCharacterAtCaret();
}

std::string TLibEdit::PasteText(std::string_view clipboard) {
  CutOrPaste();
  if (ReadOnly()) return {};
  // A single-line edit takes the first line.
  const std::string_view piece = clipboard.substr(0, clipboard.find_first_of("\r\n"));
  const int kept = static_cast<int>(Text().size()) - SelLength();
  // A Strin field's limit is its ByteLimit, which the key rules hold.
  const int max_length = edit_type_ == TEditType::Strin ? 0 : MaxLength();
  // Up to the first character that typing it would not put in: the key rules hold for a paste
  // too (no letters in a number field).
  size_t fits = 0;
  while (fits < piece.size()) {
    const int width = CharacterBytesAt(piece, static_cast<int>(fits));
    const int before = kept + static_cast<int>(fits);
    if (max_length != 0 && before + width > max_length) break;
    if (FilterTypedCharacter(edit_type_, using_text_, byte_limit_, before,
                             piece.substr(fits, static_cast<size_t>(width))) !=
        TKeyVerdict::Accept) {
      break;
    }
    fits += static_cast<size_t>(width);
  }
  return std::string(piece.substr(0, fits));
}

void TLibEdit::InsertAtSelection(const std::string& bytes) {
  std::string text = Text();
  const size_t start = std::min(static_cast<size_t>(std::max(SelStart(), 0)), text.size());
  const size_t length =
      std::min(static_cast<size_t>(std::max(SelLength(), 0)), text.size() - start);
  text.replace(start, length, bytes);
  SetText(text);
  SetSelection(static_cast<int>(start + bytes.size()), 0);
}

void TLibEdit::DeleteCharacterAtCaret() {
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) {
    peer->SendDeleteKey();
    return;
  }
  std::string text = Text();
  const int start = SelStart();
  if (static_cast<size_t>(start) >= text.size()) return;
  const int length = SelLength() > 0 ? SelLength() : CharacterBytesAt(text, start);
  text.erase(static_cast<size_t>(start), static_cast<size_t>(length));
  SetText(text);
  SetSelection(start, 0);
}

void TLibEdit::RedrawCaret(bool for_overwrite) {
  canvas_made_ = true;
  const int under = CharacterBytesAt(Text(), SelStart());
  const bool wide = for_overwrite && edit_type_ == TEditType::Strin && over_write_ && under > 0 &&
                    SelLength() == 0;
  caret_width_bytes_ = wide ? under : 0;
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) peer->ShapeCaret(caret_width_bytes_);
}

void TLibEdit::TextChanged() {
  const int max_length = MaxLength();
  if (auto_release_ && max_length != 0 && static_cast<int>(Text().size()) == max_length &&
      SelStart() == max_length) {
    FocusNextControl(false);
  } else {
    modified_ = true;
  }
  toolkit::TEdit::TextChanged();
}

void TLibEdit::CutOrPaste() {
  if (!ReadOnly()) PutFieldInEditMode();
}

void TLibEdit::PutFieldInEditMode() {
  if (field_ != nullptr && !field_->Editing()) field_->Edit();
}

void TLibEdit::DataChanged() {
  if (field_ == nullptr) {
    SetText(NormalizeText(Text()));
    return;
  }
  const bool editable = focused_ && field_->CanModify();
  SetText(NormalizeText(editable ? field_->EditText() : field_->DisplayText()));
  modified_ = field_->Editing();
}

void TLibEdit::UpdateRecord() {
  try {
    field_->SetText(ExitText());
  } catch (const std::exception&) {
    Beep();
  }
  // A value cut by the field must not end in half a character.
  std::string stored = field_->Text();
  if (!stored.empty() &&
      base::ByteTypeAt(stored, stored.size() - 1) == base::TByteType::mbLeadByte) {
    stored.pop_back();
    field_->SetText(stored);
  }
  modified_ = false;
}

}  // namespace kestrum::lib
