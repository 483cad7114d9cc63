// Focus cycle, key rules and field binding of the edit control, headless on a form.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "fakes/fake_app.h"
#include "fakes/fake_clock.h"
#include "lib/libedit.h"
#include "lib/libedit_keys.h"
#include "libedit_fixture.h"
#include "support/ctl_testing.h"
#include "toolkit/ctl_form.h"

namespace kestrum::lib {
namespace {

TEST(EditKeyFilter, EachTypeTakesItsCharactersByteByByte) {
  struct Case {
    TEditType type;
    std::string pattern;
    char key;
    TKeyVerdict verdict;
  };
  const std::string numin = "###,###,###,###,##0.####";
  const Case cases[] = {
      {TEditType::Numin, numin, '5', TKeyVerdict::Accept},
      {TEditType::Numin, numin, ',', TKeyVerdict::Accept},
      {TEditType::Numin, numin, '-', TKeyVerdict::Accept},
      {TEditType::Numin, "0", ',', TKeyVerdict::Reject},     // no grouping in the pattern
      {TEditType::Numin, numin, '\\', TKeyVerdict::Reject},  // yen sign not in the pattern
      {TEditType::Numin, numin, 'a', TKeyVerdict::Reject},
      {TEditType::NuminNo, "00000000", '-', TKeyVerdict::Reject},
      {TEditType::Codein, "000-000-000", '-', TKeyVerdict::Accept},
      {TEditType::Codein, "000-000-000", '.', TKeyVerdict::Reject},
      {TEditType::Dayin, "yyyy/mm/dd", '/', TKeyVerdict::Accept},
      {TEditType::Dayin, "yyyy/mm/dd", 'h', TKeyVerdict::Accept},
      {TEditType::Dayin, "yyyy/mm/dd", 'x', TKeyVerdict::Reject},
      {TEditType::Dayin, "yyyy/mm/dd", '\x95', TKeyVerdict::Accept},  // lead byte of 平
      {TEditType::Dayin, "yyyy/mm/dd", '\xBD', TKeyVerdict::Reject},  // its trail byte
      {TEditType::Dayin, "yyyy/mm/dd", '@', TKeyVerdict::Reject},     // a trail byte in the set
      {TEditType::Timein, "00:00:00", ':', TKeyVerdict::Accept},
      {TEditType::Timein, "0000", ':', TKeyVerdict::Reject},
      {TEditType::TimeinH, "00:00:00", '-', TKeyVerdict::Reject},
  };
  for (const Case& c : cases) {
    char key = c.key;
    EXPECT_EQ(FilterTypedByte(c.type, c.pattern, 0, 0, key), c.verdict)
        << static_cast<int>(c.type) << " '" << c.key << "' " << c.pattern;
  }
}

TEST(EditKeyFilter, FreeTextLimitDropsSilentlyAndNeverSplitsACharacter) {
  char key = 'a';
  EXPECT_EQ(FilterTypedByte(TEditType::Strin, "", 10, 9, key), TKeyVerdict::Accept);
  EXPECT_EQ(FilterTypedByte(TEditType::Strin, "", 10, 10, key), TKeyVerdict::Drop);
  EXPECT_EQ(FilterTypedByte(TEditType::Strin, "", 0, 500, key), TKeyVerdict::Accept);
  EXPECT_EQ(FilterTypedCharacter(TEditType::Strin, "", 10, 9, "あ"), TKeyVerdict::Drop);
  EXPECT_EQ(FilterTypedCharacter(TEditType::Strin, "", 10, 8, "あ"), TKeyVerdict::Accept);
  EXPECT_EQ(FilterTypedCharacter(TEditType::Dayin, "yyyy/mm/dd", 0, 0, "平"), TKeyVerdict::Reject);
  EXPECT_EQ(CharacterBytesAt(std::string("a\x82"), 1), 1);
  EXPECT_EQ(CharacterBytesAt("aあ", 1), 2);
  EXPECT_EQ(CharacterBytesAt("a", 1), 0);
}

class EditKeys : public ::testing::Test {
 protected:
  EditKeys() {
    form.Show();
    first = form.Make<TLibEdit>("first", &form, clock);
    second = form.Make<TLibEdit>("second", &form, clock);
    third = form.Make<TLibEdit>("third", &form, clock);
    for (int i = 0; TLibEdit * e : {first, second, third}) e->SetTabOrder(i++);
  }
  void Focus(TLibEdit* edit) { support::headless::Focus(*edit); }
  // Types bytes; the ones the control lets through go in at the caret, as the native edit
  // would put them.
  void Type(TLibEdit* edit, const std::string& bytes) {
    for (char b : bytes) {
      const char key = support::headless::TypeChar(*edit, b);
      if (key == 0) continue;
      std::string text = edit->Text();
      const auto at = std::min(static_cast<size_t>(edit->SelStart()), text.size());
      text.insert(at, 1, key);
      edit->SetSelection(static_cast<int>(at) + 1, 0);
      edit->UserEdited(text);
    }
  }
  // A paste as the native edit does it: what the control lets through replaces the selection.
  void Paste(TLibEdit* edit, const std::string& clipboard) {
    const std::string piece = edit->PasteText(clipboard);
    std::string text = edit->Text();
    text.replace(static_cast<size_t>(edit->SelStart()), static_cast<size_t>(edit->SelLength()),
                 piece);
    edit->SetSelection(edit->SelStart() + static_cast<int>(piece.size()), 0);
    edit->UserEdited(text);
  }
  // A key press; Home moves the caret to the start when the window still sees it.
  void Press(TLibEdit* edit, toolkit::TKey key) {
    if (support::headless::PressKey(*edit, key) && key == toolkit::kVkHome)
      edit->SetSelection(0, 0);
  }
  TLibEdit* Active() const { return dynamic_cast<TLibEdit*>(form.ActiveControl()); }

  fakes::TFakeClock clock{base::EncodeDate(2026, 12, 8) + 0.5};
  fakes::TFakeWidgetSet widgets;
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{widgets, format_settings};
  toolkit::TApplicationOverride application_guard{application};
  toolkit::TForm form{nullptr};
  TLibEdit* first;
  TLibEdit* second;
  TLibEdit* third;
};

TEST_F(EditKeys, ByteLimitDropsWholeCharactersWithoutABeep) {
  first->SetMaxLength(10);
  Focus(first);
  EXPECT_EQ(first->ByteLimit(), 10);
  EXPECT_EQ(first->MaxLength(), 0);
  Type(first, "abcdefghi");
  Type(first, "あ");
  EXPECT_EQ(first->Text(), "abcdefghi");
  Type(first, "jk");
  EXPECT_EQ(first->Text(), "abcdefghij");
  EXPECT_EQ(widgets.beeps, 0);
  Focus(second);
  EXPECT_EQ(first->MaxLength(), 10);
}

// The limit holds for the whole text, not only at the caret: typing in the middle of a full
// field, overwriting with a wider character and pasting never make it longer.
TEST_F(EditKeys, ByteLimitHoldsForTheWholeText) {
  first->SetMaxLength(6);
  Focus(first);
  first->SetText("abcdef");
  first->SetSelection(3, 0);
  Type(first, "xあ");
  EXPECT_EQ(first->Text(), "abcdef");
  Press(first, toolkit::kVkInsert);
  Type(first, "x");  // one byte over one byte
  EXPECT_EQ(first->Text(), "abcxef");
  Type(first, "あ");  // two bytes over one
  EXPECT_EQ(first->Text(), "abcxef");
  Press(first, toolkit::kVkInsert);

  struct Case {
    std::string text;
    int start, length;
    std::string clipboard, out;
  };
  const Case pastes[] = {
      {"abcdef", 1, 2, "12あ34", "a12def"},  // the selection makes room
      {"abcdef", 6, 0, "z", "abcdef"},      {"ab", 2, 0, "cdあe", "abcdあ"},
      {"ab", 2, 0, "cdeあ", "abcde"},  // never half a character
      {"ab", 0, 0, "x\r\nline two", "xab"},
  };
  for (const Case& c : pastes) {
    first->SetText(c.text);
    first->SetSelection(c.start, c.length);
    Paste(first, c.clipboard);
    EXPECT_EQ(first->Text(), c.out) << c.clipboard;
  }
  EXPECT_EQ(widgets.beeps, 0);
  first->SetReadOnly(true);
  Paste(first, "x");
  EXPECT_EQ(first->Text(), "xab");
  // The other types keep to MaxLength in the same way.
  second->SetEditType(TEditType::TimeinH);
  Focus(second);
  second->SetText("12:00:0");
  second->SetSelection(7, 0);
  Paste(second, "00");
  EXPECT_EQ(second->Text(), "12:00:00");
  // The key rules hold as for typing: the digits before the first letter.
  second->SetEditType(TEditType::Numin);
  second->SetSelection(0, 8);
  Paste(second, "9x");
  EXPECT_EQ(second->Text(), "9");
}

// A double-byte character is judged whole before anything is cleared or deleted: its lead
// byte alone (0x82 of Ｍ) would pass the date rule, its trail byte does not.
TEST_F(EditKeys, ARefusedFullWidthCharacterLeavesADateWhole) {
  struct Case {
    int caret;  // -1: just entered
    std::string typed, out;
    int beeps;
  };
  const Case cases[] = {
      {-1, "Ｍ", "2026/12/08", 1},  // would clear the field
      {4, "Ｍ", "2026/12/08", 1},   // would delete the "/" under the caret
      {4, "Ｔ", "2026Ｔ12/08", 0},  // both bytes pass: it replaces the "/"
      {-1, "5", "5", 0},
  };
  first->SetEditType(TEditType::Dayin);
  for (const Case& c : cases) {
    first->SetText("2026/12/08");
    first->SetSelection(0, 0);
    Focus(first);
    if (c.caret >= 0) {
      first->SetSelection(c.caret, 0);
      Press(first, toolkit::kVkRight);
    }
    const int before = widgets.beeps;
    Type(first, c.typed);
    EXPECT_EQ(first->Text(), c.out) << c.typed << " at " << c.caret;
    EXPECT_EQ(widgets.beeps - before, c.beeps) << c.typed << " at " << c.caret;
    Focus(second);
  }
  // The same through the whole-character entry that a native edit uses.
  first->SetText("2026/12/08");
  first->SetSelection(0, 0);
  Focus(first);
  std::string character = "Ｍ";
  first->KeyPressCharacter(character);
  EXPECT_EQ(character, "");
  EXPECT_EQ(first->Text(), "2026/12/08");
  character = "Ｔ";
  first->KeyPressCharacter(character);
  EXPECT_EQ(character, "Ｔ");
  EXPECT_EQ(first->Text(), "");  // accepted: the first character clears the field
}

TEST_F(EditKeys, RejectedCharactersBeepAndInsertNothing) {
  first->SetEditType(TEditType::Numin);
  first->SetUsingText("#0.00");
  Focus(first);
  Type(first, "1,2");
  EXPECT_EQ(first->Text(), "12");
  EXPECT_EQ(widgets.beeps, 1);
  // A full-width character whose lead byte is refused takes its trail byte with it.
  second->SetEditType(TEditType::Timein);
  Focus(second);
  Type(second, "あ1");
  EXPECT_EQ(second->Text(), "1");
  EXPECT_EQ(widgets.beeps, 2);
}

TEST_F(EditKeys, HomeTwiceClearsAnEditableField) {
  for (bool read_only : {false, true}) {
    first->SetReadOnly(read_only);
    first->SetText("abc");
    Focus(first);
    first->SetSelection(2, 0);
    Press(first, toolkit::kVkHome);
    EXPECT_EQ(first->Text(), "abc");
    Press(first, toolkit::kVkHome);
    EXPECT_EQ(first->Text(), read_only ? "abc" : "") << read_only;
    Focus(second);
  }
}

TEST_F(EditKeys, FirstTypedCharacterAtTheStartClearsTypedFieldsOrWithAutoClear) {
  struct Case {
    TEditType type;
    bool auto_clear;
    std::string start, typed, out;
  };
  const Case cases[] = {
      {TEditType::Strin, false, "abc", "x", "xabc"},
      {TEditType::Strin, true, "abc", "x", "x"},
      {TEditType::Codein, false, "123-456-000", "9", "9"},
      {TEditType::TimeinH, false, "12:00:00", "1", "1"},
  };
  for (const Case& c : cases) {
    first->SetEditType(c.type);
    first->SetAutoClear(c.auto_clear);
    first->SetText(c.start);
    first->SetSelection(0, 0);
    Focus(first);
    Type(first, c.typed);
    EXPECT_EQ(first->Text(), c.out) << c.start;
    EXPECT_FALSE(first->JustEntered());
    Focus(second);
  }
}

TEST_F(EditKeys, OverwriteReplacesTheWholeCharacterUnderTheCaret) {
  first->SetText("aあb");
  Focus(first);
  EXPECT_FALSE(first->OverWrite());
  first->SetSelection(1, 0);
  Press(first, toolkit::kVkInsert);
  EXPECT_TRUE(first->OverWrite());
  EXPECT_EQ(first->CaretWidthBytes(), 2);  // the caret covers あ
  Type(first, "z");
  EXPECT_EQ(first->Text(), "azb");
  // The other types overwrite from entry on, with the narrow caret.
  second->SetEditType(TEditType::Codein);
  Focus(second);
  EXPECT_TRUE(second->OverWrite());
  Press(second, toolkit::kVkRight);
  EXPECT_EQ(second->CaretWidthBytes(), 0);
}

TEST_F(EditKeys, EnterUpDownAndTheWheelMoveTheFocus) {
  Focus(first);
  Press(first, toolkit::kVkReturn);
  EXPECT_EQ(Active(), second);
  Press(second, toolkit::kVkUp);
  EXPECT_EQ(Active(), first);
  Press(first, toolkit::kVkDown);
  EXPECT_EQ(Active(), second);
  support::headless::TurnWheel(*second, -toolkit::kWheelDelta);
  EXPECT_EQ(Active(), third);
  support::headless::TurnWheel(*third, toolkit::kWheelDelta);
  EXPECT_EQ(Active(), second);
  support::headless::TurnWheel(*second, -2 * toolkit::kWheelDelta);
  EXPECT_EQ(Active(), second);
  second->SetEnterKeyNextField(false);
  second->SetNextPrevKey(false);
  for (toolkit::TKey key : {toolkit::kVkReturn, toolkit::kVkDown}) Press(second, key);
  support::headless::TurnWheel(*second, -toolkit::kWheelDelta);
  EXPECT_EQ(Active(), second);
}

TEST_F(EditKeys, NamedTargetsWinUnlessTheyCannotTakeTheFocus) {
  first->SetTabStopEnter(third);
  Focus(first);
  Press(first, toolkit::kVkReturn);
  EXPECT_EQ(Active(), third);
  third->SetEnabled(false);
  EXPECT_EQ(first->TabStopEnter(), third);
  Focus(first);
  Press(first, toolkit::kVkReturn);
  EXPECT_EQ(Active(), second);
}

TEST_F(EditKeys, EntryRemembersTheValueAndExitRestoresTheLength) {
  first->SetEditType(TEditType::Numin);
  first->SetText("1234.5");
  Focus(first);
  EXPECT_EQ(first->EnterText(), "1234.5");
  EXPECT_FALSE(first->OverWrite());
  EXPECT_TRUE(first->FieldFocused());
  first->SetEnterColor(toolkit::clYellow);
  Focus(second);
  Focus(first);
  EXPECT_EQ(first->Color(), toolkit::clYellow);
  Focus(second);
  EXPECT_FALSE(first->FieldFocused());
  EXPECT_EQ(first->Color(), toolkit::clWindow);
  EXPECT_EQ(first->MaxLength(), 24);
}

TEST_F(EditKeys, PaintingARightAlignedFieldJustEnteredPutsTheCaretFirst) {
  first->SetEditType(TEditType::Numin);
  first->SetEnteringCursorTop(true);
  first->SetText("123");
  Focus(first);
  first->SetSelection(3, 0);  // where the native edit leaves it
  first->PaintedFocused();
  EXPECT_EQ(first->SelStart(), 0);
  Press(first, toolkit::kVkRight);
  first->SetSelection(2, 0);
  first->PaintedFocused();
  EXPECT_EQ(first->SelStart(), 2);
}

TEST_F(EditKeys, AutoReleaseLeavesAFullFieldButNeverAFreeTextOne) {
  first->SetEditType(TEditType::NuminNo);
  first->SetAutoRelease(true);
  Focus(first);
  Type(first, "1234567");
  EXPECT_EQ(Active(), first);
  Type(first, "8");
  EXPECT_EQ(Active(), second);
  Focus(third);
  second->SetMaxLength(3);
  second->SetAutoRelease(true);
  Focus(second);
  Type(second, "abc");
  EXPECT_EQ(Active(), second);
}

TEST_F(EditKeys, BoundFieldIsEditedWrittenOnExitAndResetByEscape) {
  TFakeField field;
  field.size = 6;
  field.text = "old";
  first->SetField(&field);
  Focus(first);
  EXPECT_EQ(first->Text(), "old");
  EXPECT_EQ(first->ByteLimit(), 6);
  Type(first, "x");
  EXPECT_EQ(field.edits, 1);
  char escape = toolkit::kVkEscape;
  first->KeyPress(escape);
  EXPECT_EQ(escape, 0);
  EXPECT_EQ(first->Text(), "old");
  first->SetSelection(3, 0);
  Type(first, "ab漢");  // no room for the kanji in 6 bytes
  EXPECT_EQ(first->Text(), "oldab");
  // Past the limit the field itself cuts the value, and half a character goes.
  first->SetByteLimit(0);
  Type(first, "漢");
  Focus(second);
  EXPECT_EQ(field.text, "oldab");
  EXPECT_EQ(Active(), second);
}

TEST_F(EditKeys, ARefusedValueBeepsAndAFailedWriteKeepsTheFocus) {
  TFakeField field;
  first->SetField(&field);
  Focus(first);
  Type(first, "v");
  field.throw_on_set = 1;
  Focus(second);
  EXPECT_EQ(widgets.beeps, 1);
  EXPECT_EQ(Active(), second);

  field.text = "\x82";  // the stored value ends in a lead byte; cutting it is refused
  field.sets = 0;
  field.throw_on_set = 2;
  Focus(first);
  first->SetSelection(0, 0);
  Type(first, "w");
  EXPECT_THROW(Focus(second), std::runtime_error);
  EXPECT_EQ(Active(), first);
}

TEST_F(EditKeys, ANumericFieldShowsThePatternAndEmptyZeroGroups) {
  TFakeField field;
  field.numeric = true;
  first->SetField(&field);
  first->SetEditType(TEditType::StrinNo);
  first->UnfocusedLook();
  EXPECT_EQ(field.display_format, "000-000-000;#;#");
  first->SetEditType(TEditType::Numin);
  first->UnfocusedLook();
  EXPECT_EQ(field.display_format, "###,###,###,###,##0.####");
}

TEST_F(EditKeys, UnfocusedLookShowsNormalizedTextInTheStateColours) {
  first->SetText("host  　");
  TLibEdit::TLook look = first->UnfocusedLook();
  EXPECT_EQ(look.text, "host");
  EXPECT_EQ(first->Text(), "host  　");
  EXPECT_EQ(look.background, toolkit::clWindow);
  EXPECT_EQ(look.border_offset, 1);
  EXPECT_FALSE(look.frame);
  first->SetEnabled(false);
  look = first->UnfocusedLook();
  EXPECT_EQ(look.text_color, toolkit::clWindowText);
  EXPECT_EQ(look.background, toolkit::clActiveBorder);
  first->SetCtl3D(false);
  first->SetPasswordChar('*');
  look = first->UnfocusedLook();
  EXPECT_EQ(look.text, "****");
  EXPECT_EQ(look.border_offset, 2);
  EXPECT_TRUE(look.frame);

  struct Case {
    toolkit::TAlignment alignment;
    int client, text, margin, left;
  };
  const Case cases[] = {{toolkit::TAlignment::taLeftJustify, 100, 40, 3, 3},
                        {toolkit::TAlignment::taRightJustify, 100, 40, 3, 56},
                        {toolkit::TAlignment::taCenter, 101, 40, 3, 30},
                        {toolkit::TAlignment::taCenter, 30, 41, 3, -5}};
  for (const Case& c : cases) {
    EXPECT_EQ(TLibEdit::TextLeft(c.alignment, c.client, c.text, c.margin), c.left);
  }
}

}  // namespace
}  // namespace kestrum::lib
