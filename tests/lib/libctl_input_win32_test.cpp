// The maker's controls driven with real input: keys and characters posted to the focused
// window and delivered by the message loop, mouse clicks through the input queue; focus,
// selection, input method and list state read back from the windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "lib/libbtbtn.h"
#include "lib/libcbox.h"
#include "lib/libedit.h"
#include "lib/liblabel_panel.h"
#include "lib/win32/lib_widgets.h"
#include "support/gui_input.h"
#include "support/gui_testing.h"
#include "toolkit/ctl_form.h"

namespace kestrum::lib {
namespace {

using namespace support;

// Client pixels from the right edge where a combo box's drop-down button lies.
constexpr int kDropButtonX = -8;
constexpr int kDropButtonY = 12;
// Index of the last of the five entries of each list.
constexpr int kLastItem = 4;

class RealInput : public ::testing::Test {
 protected:
  RealInput() {
    form.SetClientSize(400, 300);
    first = Edit("first", 10, 0);
    middle = Edit("middle", 40, 1);
    far = Edit("far", 70, 2);
    list = Box("list", 100, 3, toolkit::TComboBoxStyle::csDropDownList);
    editable = Box("editable", 130, 4, toolkit::TComboBoxStyle::csDropDown);
    button = form.Make<TLibBtBtn>("button", &form);
    button->SetBounds(10, 170, 90, 30);
    button->SetTabOrder(5);
    button->OnClick = [this] { ++clicks; };
  }
  TLibEdit* Edit(const char* name, int top, int tab_order) {
    auto* edit = form.Make<TLibEdit>(name, &form, clock);
    edit->SetBounds(10, top, 200, 24);
    edit->SetTabOrder(tab_order);
    return edit;
  }
  TLibCBox* Box(const char* name, int top, int tab_order, toolkit::TComboBoxStyle style) {
    auto* box = form.Make<TLibCBox>(name, &form);
    box->SetBounds(10, top, 200, 24);
    box->SetStyle(style);
    box->SetItems({"a", "b", "c", "d", "e"});
    box->SetItemIndex(1);
    box->SetTabOrder(tab_order);
    box->OnChange = [this, box] {
      changes.push_back(box->Name() + std::to_string(box->ItemIndex()));
    };
    return box;
  }
  void Show() {
    form.Show();
    Pump();
  }
  // Where the focus is, for the window, the form and (for the maker's edit) the edit itself.
  static std::string Where(const toolkit::TForm& f) {
    toolkit::TControl* native = NativeFocusedControl();
    toolkit::TControl* active = f.ActiveControl();
    std::string where = native != nullptr ? native->Name() : "-";
    where += "/";
    where += active != nullptr ? active->Name() : "-";
    if (auto* edit = dynamic_cast<TLibEdit*>(native)) where += edit->FieldFocused() ? "" : "/blind";
    return where;
  }
  std::string Where() const { return Where(form); }
  toolkit::TControl* ByName(const std::string& name) const {
    for (const auto& component : form.Components()) {
      if (component->Name() == name) return dynamic_cast<toolkit::TControl*>(component.get());
    }
    return nullptr;
  }
  static std::string At(const std::string& name) { return name + "/" + name; }

  fakes::TFakeClock clock;
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{win32::LibWidgetSet(), format_settings};
  toolkit::TApplicationOverride in_force{application};
  toolkit::TForm form{nullptr};
  TLibEdit* first;
  TLibEdit* middle;
  TLibEdit* far;
  TLibCBox* list;
  TLibCBox* editable;
  TLibBtBtn* button;
  int clicks = 0;
  std::vector<std::string> changes;
};

// Sets the named target of `key` and clears the other two.
template <class T>
void SetTargets(T& control, toolkit::TControl* target, toolkit::TKey key) {
  control.SetTabStopEnter(key == toolkit::kVkReturn ? target : nullptr);
  control.SetTabStopUp(key == toolkit::kVkUp ? target : nullptr);
  control.SetTabStopDown(key == toolkit::kVkDown ? target : nullptr);
}

// Enter, Up and Down with and without a named target, from each kind of control.
TEST_F(RealInput, EnterUpAndDownFollowTheirTargets) {
  struct Case {
    const char* from;
    toolkit::TKey key;
    const char* target;  // named target, or null
    const char* lands;
  };
  const Case cases[] = {
      {"first", toolkit::kVkReturn, nullptr, "middle"},
      {"middle", toolkit::kVkUp, nullptr, "first"},
      {"first", toolkit::kVkDown, nullptr, "middle"},
      {"first", toolkit::kVkReturn, "far", "far"},
      {"first", toolkit::kVkDown, "far", "far"},
      {"far", toolkit::kVkUp, "first", "first"},
      {"list", toolkit::kVkReturn, "first", "first"},
      {"list", toolkit::kVkDown, nullptr, "editable"},
      {"list", toolkit::kVkUp, "first", "first"},
      {"button", toolkit::kVkUp, "middle", "middle"},
      {"button", toolkit::kVkDown, "far", "far"},
      {"button", toolkit::kVkReturn, "middle", "middle"},
      {"button", toolkit::kVkReturn, nullptr, "button"},
  };
  Show();
  for (const Case& c : cases) {
    toolkit::TControl* from = ByName(c.from);
    ASSERT_NE(from, nullptr);
    toolkit::TControl* target = c.target != nullptr ? ByName(c.target) : nullptr;
    for (auto* e : {first, middle, far}) SetTargets(*e, nullptr, toolkit::kVkReturn);
    for (auto* n : {static_cast<TLibNavigation*>(list), static_cast<TLibNavigation*>(button)}) {
      SetTargets(*n, nullptr, toolkit::kVkReturn);
    }
    if (auto* e = dynamic_cast<TLibEdit*>(from)) SetTargets(*e, target, c.key);
    if (auto* n = dynamic_cast<TLibNavigation*>(from)) SetTargets(*n, target, c.key);
    from->SetFocus();
    Pump();
    ASSERT_EQ(Where(), At(c.from));
    PressKey(c.key);
    EXPECT_EQ(Where(), At(c.lands)) << c.from << " key " << c.key;
  }
}

// The target of a far jump is fully focused: its own Enter then moves on.
TEST_F(RealInput, AFarTargetTakesItsOwnKeysAfterwards) {
  Show();
  first->SetTabStopEnter(far);
  first->SetFocus();
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(Where(), At("far"));
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(Where(), At("list"));
}

TEST_F(RealInput, TabAfterAnEnterThatMovedNothingGoesToTheNextControl) {
  Show();
  first->SetEnterKeyNextField(false);
  first->SetTabStopEnter(far);
  first->SetFocus();
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(Where(), At("first"));
  PressKey(toolkit::kVkTab);
  EXPECT_EQ(Where(), At("middle"));
}

TEST_F(RealInput, TabCyclesBothWaysThroughEveryKind) {
  Show();
  const std::vector<std::string> order = {"first", "middle", "far", "list", "editable", "button"};
  first->SetFocus();
  for (size_t i = 1; i <= order.size(); ++i) {
    PressKey(toolkit::kVkTab);
    EXPECT_EQ(Where(), At(order[i % order.size()]));
  }
  for (size_t i = order.size(); i > 0; --i) {
    PressKey(toolkit::kVkTab, true);
    EXPECT_EQ(Where(), At(order[i - 1]));
  }
}

TEST_F(RealInput, EnteringAnEditByTabSelectsItsText) {
  middle->SetText("abcあ");
  far->SetText("xyz");
  far->SetAutoSelect(false);
  Show();
  first->SetFocus();
  PressKey(toolkit::kVkTab);
  EXPECT_EQ(NativeSelection(*middle), (std::pair<int, int>{0, 5}));
  PressKey(toolkit::kVkTab);
  EXPECT_EQ(NativeSelection(*far).second - NativeSelection(*far).first, 0);
}

// Whatever the user left the input method in, each edit sets it on entry.
TEST_F(RealInput, EveryEditTypeClosesTheInputMethodOnEntry) {
  const TEditType types[] = {TEditType::Strin,   TEditType::Numin,   TEditType::NuminNo,
                             TEditType::Dayin,   TEditType::DayinWa, TEditType::DayinBi,
                             TEditType::StrinNo, TEditType::Codein,  TEditType::Timein,
                             TEditType::TimeinH};
  Show();
  for (TEditType type : types) {
    first->SetFocus();
    Pump();
    middle->SetEditType(type);
    SetImeOpen(*first, true);
    ASSERT_TRUE(ImeOpen(*first));
    PressKey(toolkit::kVkTab);
    ASSERT_EQ(Where(), At("middle"));
    EXPECT_FALSE(ImeOpen(*middle)) << static_cast<int>(type);
  }
  // A free-text field asked for an open input method gets one.
  first->SetFocus();
  Pump();
  middle->SetEditType(TEditType::Strin);
  middle->SetImeMode(TImeMode::imOpen);
  PressKey(toolkit::kVkTab);
  EXPECT_TRUE(ImeOpen(*middle));
}

// Characters from the input method go through the same rules as typed ones.
// Text from the input method, character by character or committed as one string (which the
// system edit would insert itself), and text pasted by Ctrl+V or Shift+Insert (which it pastes
// itself) meet the key rules and the limit, as typing does.
TEST_F(RealInput, ConvertedCharactersMeetTheKeyRules) {
  enum TPath { kImeChars, kCommitted, kCtrlV, kShiftInsert };
  struct Case {
    TEditType type;
    int max_length;
    const char* ime;
    const char* typed;
    const char* text;
    TPath path = kImeChars;
  };
  const Case cases[] = {
      {TEditType::Strin, 5, "あいう", "a", "あいa"},
      {TEditType::Strin, 4, "aあい", "", "aあ"},
      {TEditType::Numin, 0, "１２", "34", "34"},
      {TEditType::NuminNo, 0, "１", "5", "5"},
      {TEditType::Dayin, 0, "２０２６", "2026", "2026"},
      {TEditType::Timein, 0, "１２：", "12:", "12:"},
      {TEditType::Numin, 0, "12ab3", "", "123", kCommitted},
      {TEditType::Strin, 4, "abあい", "", "abあ", kCommitted},
      {TEditType::Numin, 0, "12ab3", "", "12", kCtrlV},
      {TEditType::Numin, 0, "12ab3", "", "12", kShiftInsert},
      {TEditType::Strin, 4, "abあい", "", "abあ", kShiftInsert},
  };
  Show();
  for (const Case& c : cases) {
    first->SetFocus();
    Pump();
    middle->SetEditType(c.type);
    middle->SetText("");
    middle->SetMaxLength(c.max_length);
    PressKey(toolkit::kVkTab);
    ASSERT_EQ(Where(), At("middle"));
    if (c.path >= kCtrlV) SetClipboardText(c.ime);
    if (c.path == kImeChars) TypeImeChars(c.ime);
    if (c.path == kCommitted) CommitImeString(c.ime);
    if (c.path == kCtrlV) TypeChars("\x16");
    if (c.path == kShiftInsert) PressKey(toolkit::kVkInsert, true);
    TypeChars(c.typed);
    EXPECT_EQ(NativeText(*middle), c.text) << c.ime << " by " << c.path;
    EXPECT_EQ(middle->Text(), c.text) << c.ime << " by " << c.path;
  }
}

// Windows 10 sends the wheel to the window under the pointer: a notch over an unfocused edit,
// list, button, label or the form acts as one over the focused edit, and no list moves.
TEST_F(RealInput, TheWheelActsOnTheFocusedControlWherever) {
  auto* label = form.Make<TLibLabel>("label", &form);
  label->SetBounds(10, 210, 90, 20);
  Show();
  const toolkit::TControl* const overs[] = {middle, far, list, editable, button, label, &form};
  for (const toolkit::TControl* over : overs) {
    middle->SetFocus();
    Pump();
    WheelOver(*over, -toolkit::kWheelDelta);
    EXPECT_EQ(Where(), At("far")) << over->Name();
  }
  EXPECT_EQ(list->ItemIndex() * 10 + editable->ItemIndex(), 11);
  EXPECT_TRUE(changes.empty());
}

TEST_F(RealInput, TheEditableDropDownTakesTheFocusAndItsKeys) {
  Show();
  list->SetFocus();
  PressKey(toolkit::kVkTab);
  EXPECT_EQ(Where(), At("editable"));
  // Closed: Down moves on and the entry stays.
  PressKey(toolkit::kVkDown);
  EXPECT_EQ(Where(), At("button"));
  EXPECT_EQ(editable->ItemIndex(), 1);
  PressKey(toolkit::kVkTab, true);
  EXPECT_EQ(Where(), At("editable"));
  editable->SetTabStopEnter(first);
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(Where(), At("first"));
}

// Both styles: the drop-down button opens the list, keys move in it, Enter picks and closes.
TEST_F(RealInput, AnOpenListTakesUpDownAndEnter) {
  Show();
  for (TLibCBox* box : {list, editable}) {
    changes.clear();
    box->SetFocus();
    Pump();
    MouseClick(*box, kDropButtonX, kDropButtonY);
    ASSERT_TRUE(NativeDroppedDown(*box)) << box->Name();
    EXPECT_EQ(Where(), At(box->Name()));
    // The open list follows the pointer, which may rest over one of its entries.
    const int picked = std::min(NativeItemIndex(*box) + 2, kLastItem);
    PressKey(toolkit::kVkDown);
    PressKey(toolkit::kVkDown);
    PressKey(toolkit::kVkReturn);
    EXPECT_FALSE(NativeDroppedDown(*box));
    EXPECT_EQ(box->ItemIndex(), picked) << box->Name();
    EXPECT_EQ(NativeItemIndex(*box), picked);
    ASSERT_FALSE(changes.empty()) << box->Name();
    EXPECT_EQ(changes.back(), box->Name() + std::to_string(picked));
    EXPECT_EQ(Where(), At(box->Name()));
    box->SetItemIndex(1);
  }
}

TEST_F(RealInput, ButtonsClickOnEnterAndSpace) {
  Show();
  button->SetFocus();
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(clicks, 1);
  PressKey(toolkit::kVkSpace);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Where(), At("button"));
  button->SetTabStopEnter(middle);
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(Where(), At("middle"));
}

}  // namespace
}  // namespace kestrum::lib
