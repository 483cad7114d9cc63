// The maker's combo box, button, label and panel: house styles, and key, list and wheel
// sequences in with focus moves, selection and clicks out.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "lib/libbtbtn.h"
#include "lib/libcbox.h"
#include "lib/liblabel_panel.h"
#include "support/ctl_testing.h"
#include "toolkit/ctl_form.h"

namespace kestrum::lib {
namespace {

using support::headless::Focus;
using support::headless::PressComboKey;
using support::headless::PressKey;

// before, box, button, after in tab order; the box holds five entries.
class NavigationTest : public ::testing::Test {
 protected:
  NavigationTest() {
    form.Show();
    before = form.Make<toolkit::TEdit>("before", &form);
    box = form.Make<TLibCBox>("box", &form);
    box->SetItems({"a", "b", "c", "d", "e"});
    box->OnChange = [this] { changes.push_back(box->ItemIndex()); };
    button = form.Make<TLibBtBtn>("button", &form);
    button->OnClick = [this] { ++clicks; };
    after = form.Make<toolkit::TEdit>("after", &form);
    box->SetTabOrder(1);
    button->SetTabOrder(2);
    after->SetTabOrder(3);
  }
  toolkit::TForm form{nullptr};
  toolkit::TEdit* before;
  TLibCBox* box;
  TLibBtBtn* button;
  toolkit::TEdit* after;
  std::vector<int> changes;
  int clicks = 0;
};

TEST_F(NavigationTest, ClosedBoxKeysMoveTheFocusAndKeepTheSelection) {
  struct Case {
    toolkit::TKey key;
    toolkit::TControl* expected;
  };
  for (const Case& k : {Case{toolkit::kVkDown, button}, Case{toolkit::kVkReturn, button},
                        Case{toolkit::kVkUp, before}}) {
    box->SetItemIndex(3);
    Focus(*box);
    changes.clear();
    PressComboKey(*box, k.key);
    EXPECT_EQ(form.ActiveControl(), k.expected) << k.key;
    EXPECT_EQ(box->ItemIndex(), 3) << k.key;
    // The box's window still saw Up/Down; the change it reported was undone.
    EXPECT_EQ(changes, (k.key == toolkit::kVkReturn ? std::vector<int>{} : std::vector<int>{3}))
        << k.key;
  }
}

TEST_F(NavigationTest, NamedTargetsWinOverTabOrderWhenFocusable) {
  box->SetTabStopDown(after);
  box->SetTabStopUp(after);
  Focus(*box);
  PressComboKey(*box, toolkit::kVkDown);
  EXPECT_EQ(form.ActiveControl(), after);
  Focus(*box);
  after->SetEnabled(false);  // can no longer take the focus: plain previous control
  PressComboKey(*box, toolkit::kVkUp);
  EXPECT_EQ(form.ActiveControl(), before);
}

TEST_F(NavigationTest, OpenListSelectionIsKept) {
  box->SetItemIndex(1);
  Focus(*box);
  PressKey(*box, toolkit::kVkSpace);
  EXPECT_TRUE(box->DroppedDown());
  EXPECT_EQ(form.ActiveControl(), box);
  // Down inside the open list: still a navigation key, but the change is the user's.
  box->SetTabStopDown(nullptr);
  box->StoreFromUser(2, true);
  box->Command(toolkit::kCbnSelChange);
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(changes, std::vector<int>{2});
}

TEST_F(NavigationTest, ListPickSendsTheFocusToTabStopCloseAndStillChanges) {
  box->SetTabStopClose(after);
  box->SetItemIndex(0);
  Focus(*box);
  box->UserSelected(4);
  EXPECT_EQ(form.ActiveControl(), after);
  EXPECT_EQ(box->ItemIndex(), 4);
  EXPECT_EQ(changes, std::vector<int>{4});
  EXPECT_EQ(box->SavedItemIndex(), 4);
}

TEST_F(NavigationTest, ListCloseWithUnusableTargetKeepsTheFocus) {
  box->SetTabStopClose(after);
  after->SetVisible(false);
  Focus(*box);
  box->UserSelected(2);
  EXPECT_EQ(form.ActiveControl(), box);
  EXPECT_EQ(box->ItemIndex(), 2);
}

TEST_F(NavigationTest, ButtonEnter) {
  struct Case {
    const char* name;
    toolkit::TControl* target;
    bool target_enabled;
    int clicks;
    toolkit::TControl* focused;
  };
  for (const Case& k : {Case{"no target", nullptr, true, 1, button},
                        Case{"focusable target", before, true, 1, before},
                        Case{"disabled target", before, false, 0, button}}) {
    clicks = 0;
    before->SetEnabled(k.target_enabled);
    button->SetTabStopEnter(k.target);
    Focus(*button);
    PressKey(*button, toolkit::kVkReturn);
    EXPECT_EQ(clicks, k.clicks) << k.name;
    EXPECT_EQ(form.ActiveControl(), k.focused) << k.name;
  }
}

TEST_F(NavigationTest, ButtonArrowsMoveWithoutClicking) {
  Focus(*button);
  PressKey(*button, toolkit::kVkDown);
  EXPECT_EQ(form.ActiveControl(), after);
  button->SetTabStopUp(after);
  Focus(*button);
  PressKey(*button, toolkit::kVkUp);
  EXPECT_EQ(form.ActiveControl(), after);
  EXPECT_EQ(clicks, 0);
}

TEST_F(NavigationTest, DestroyedTargetReadsAsNone) {
  auto extra = std::make_unique<toolkit::TEdit>(nullptr, &form);
  button->SetTabStopEnter(extra.get());
  EXPECT_EQ(button->TabStopEnter(), extra.get());
  extra.reset();
  EXPECT_EQ(button->TabStopEnter(), nullptr);
  Focus(*button);
  PressKey(*button, toolkit::kVkReturn);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form.ActiveControl(), button);
}

TEST_F(NavigationTest, OnlyOneNotchMovesTheFocus) {
  struct Case {
    int distance;
    toolkit::TControl* focused;
  };
  for (const Case& k : {Case{-toolkit::kWheelDelta, button}, Case{toolkit::kWheelDelta, before},
                        Case{-2 * toolkit::kWheelDelta, box}, Case{2 * toolkit::kWheelDelta, box},
                        Case{-toolkit::kWheelDelta + 1, box}}) {
    Focus(*box);
    support::headless::TurnWheel(*box, k.distance);
    EXPECT_EQ(form.ActiveControl(), k.focused) << k.distance;
  }
}

TEST_F(NavigationTest, ChildKeyTakenByAParentStopsTheMove) {
  class TKeyPanel : public toolkit::TPanel {
   public:
    using toolkit::TPanel::TPanel;
    bool ChildKey(toolkit::TKey key, toolkit::TControl&) override {
      return key == toolkit::kVkDown;
    }
  };
  auto* panel = form.Make<TKeyPanel>("panel", &form);
  auto* inner = form.Make<TLibBtBtn>("inner", panel);
  Focus(*inner);
  PressKey(*inner, toolkit::kVkDown);
  EXPECT_EQ(form.ActiveControl(), inner);
  PressKey(*inner, toolkit::kVkUp);
  EXPECT_NE(form.ActiveControl(), inner);
}

TEST_F(NavigationTest, FocusTargetIsUsedOnceAndClearedOnEntry) {
  box->SetTabStopEnter(after);
  Focus(*box);
  PressComboKey(*box, toolkit::kVkReturn);
  EXPECT_EQ(form.ActiveControl(), after);
  EXPECT_EQ(box->FocusTarget(), nullptr);
  Focus(*box);
  Focus(*before);  // a plain exit goes where it was sent
  EXPECT_EQ(form.ActiveControl(), before);
}

TEST(HouseStyle, LabelStartsPlainAndKeepsTheStyleWhenTurnedOff) {
  toolkit::TForm form(nullptr);
  toolkit::TLabel plain(nullptr, &form);
  TLibLabel label(nullptr, &form);
  EXPECT_FALSE(label.OriginalStyle());
  EXPECT_EQ(label.EffectiveColor(), plain.EffectiveColor());
  EXPECT_EQ(label.Alignment(), plain.Alignment());
  label.SetOriginalStyle(true);
  label.SetOriginalStyle(false);
  EXPECT_EQ(label.Color(), toolkit::clBlue);
  EXPECT_EQ(label.Font().color, toolkit::clWhite);
  EXPECT_TRUE(label.Font().bold);
  EXPECT_EQ(label.Font().height, -16);
  EXPECT_EQ(label.Bounds().height, 24);
  EXPECT_EQ(label.Alignment(), toolkit::TAlignment::taCenter);
  EXPECT_EQ(label.Layout(), toolkit::TTextLayout::tlCenter);
  EXPECT_FALSE(label.AutoSize());
}

TEST(HouseStyle, PanelBoxAndButtonFromConstruction) {
  toolkit::TForm form(nullptr);
  TLibPanel panel(nullptr, &form);
  EXPECT_EQ(panel.Bounds(), (toolkit::TBounds{0, 0, 89, 24}));
  EXPECT_EQ(panel.EffectiveColor(), toolkit::clMenu);
  EXPECT_FALSE(panel.Ctl3D());
  EXPECT_FALSE(panel.ParentCtl3D());
  EXPECT_TRUE(panel.Font().bold);
  panel.SetBounds(5, 8, 251, 17);  // a window description's values win
  panel.SetParentColor(true);
  EXPECT_EQ(panel.Bounds(), (toolkit::TBounds{5, 8, 251, 17}));
  EXPECT_EQ(panel.EffectiveColor(), form.EffectiveColor());

  TLibCBox box(nullptr, &form);
  EXPECT_EQ(box.Bounds(), (toolkit::TBounds{0, 0, 121, 24}));
  EXPECT_EQ(box.EffectiveColor(), toolkit::clWindow);
  EXPECT_EQ(box.ItemHeight(), 18);
  EXPECT_EQ(box.Style(), toolkit::TComboBoxStyle::csOwnerDrawVariable);

  TLibBtBtn button(nullptr, &form);
  EXPECT_FALSE(button.Default());
  EXPECT_TRUE(button.ParentFont());
  EXPECT_EQ(button.Bounds().height, 24);
  EXPECT_EQ(toolkit::FontHeightOfSize(12), -16);
}

}  // namespace
}  // namespace kestrum::lib
