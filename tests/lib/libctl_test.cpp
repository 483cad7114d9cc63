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

using testing::Focus;
using testing::PressComboKey;
using testing::PressKey;

// before, box, button, after in tab order; the box holds five entries.
class NavigationTest : public ::testing::Test {
 protected:
  NavigationTest() {
    form.Show();
    before = form.Make<TEdit>("before", &form);
    box = form.Make<TLibCBox>("box", &form);
    box->SetItems({"a", "b", "c", "d", "e"});
    box->OnChange = [this] { changes.push_back(box->ItemIndex()); };
    button = form.Make<TLibBtBtn>("button", &form);
    button->OnClick = [this] { ++clicks; };
    after = form.Make<TEdit>("after", &form);
    box->SetTabOrder(1);
    button->SetTabOrder(2);
    after->SetTabOrder(3);
  }
  TForm form{nullptr};
  TEdit* before;
  TLibCBox* box;
  TLibBtBtn* button;
  TEdit* after;
  std::vector<int> changes;
  int clicks = 0;
};

TEST_F(NavigationTest, ClosedBoxKeysMoveTheFocusAndKeepTheSelection) {
  struct Case {
    TKey key;
    TControl* expected;
  };
  for (const Case& k : {Case{kVkDown, button}, Case{kVkReturn, button}, Case{kVkUp, before}}) {
    box->SetItemIndex(3);
    Focus(*box);
    changes.clear();
    PressComboKey(*box, k.key);
    EXPECT_EQ(form.ActiveControl(), k.expected) << k.key;
    EXPECT_EQ(box->ItemIndex(), 3) << k.key;
    // The box's window still saw Up/Down; the change it reported was undone.
    EXPECT_EQ(changes, (k.key == kVkReturn ? std::vector<int>{} : std::vector<int>{3})) << k.key;
  }
}

TEST_F(NavigationTest, NamedTargetsWinOverTabOrderWhenFocusable) {
  box->SetTabStopDown(after);
  box->SetTabStopUp(after);
  Focus(*box);
  PressComboKey(*box, kVkDown);
  EXPECT_EQ(form.ActiveControl(), after);
  Focus(*box);
  after->SetEnabled(false);  // can no longer take the focus: plain previous control
  PressComboKey(*box, kVkUp);
  EXPECT_EQ(form.ActiveControl(), before);
}

TEST_F(NavigationTest, OpenListSelectionIsKept) {
  box->SetItemIndex(1);
  Focus(*box);
  PressKey(*box, kVkSpace);
  EXPECT_TRUE(box->DroppedDown());
  EXPECT_EQ(form.ActiveControl(), box);
  // Down inside the open list: still a navigation key, but the change is the user's.
  box->SetTabStopDown(nullptr);
  box->StoreFromUser(2, true);
  box->Command(kCbnSelChange);
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
    TControl* target;
    bool target_enabled;
    int clicks;
    TControl* focused;
  };
  for (const Case& k : {Case{"no target", nullptr, true, 1, button},
                        Case{"focusable target", before, true, 1, before},
                        Case{"disabled target", before, false, 0, button}}) {
    clicks = 0;
    before->SetEnabled(k.target_enabled);
    button->SetTabStopEnter(k.target);
    Focus(*button);
    PressKey(*button, kVkReturn);
    EXPECT_EQ(clicks, k.clicks) << k.name;
    EXPECT_EQ(form.ActiveControl(), k.focused) << k.name;
  }
}

TEST_F(NavigationTest, ButtonArrowsMoveWithoutClicking) {
  Focus(*button);
  PressKey(*button, kVkDown);
  EXPECT_EQ(form.ActiveControl(), after);
  button->SetTabStopUp(after);
  Focus(*button);
  PressKey(*button, kVkUp);
  EXPECT_EQ(form.ActiveControl(), after);
  EXPECT_EQ(clicks, 0);
}

TEST_F(NavigationTest, DestroyedTargetReadsAsNone) {
  auto extra = std::make_unique<TEdit>(nullptr, &form);
  button->SetTabStopEnter(extra.get());
  EXPECT_EQ(button->TabStopEnter(), extra.get());
  extra.reset();
  EXPECT_EQ(button->TabStopEnter(), nullptr);
  Focus(*button);
  PressKey(*button, kVkReturn);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(form.ActiveControl(), button);
}

TEST_F(NavigationTest, OnlyOneNotchMovesTheFocus) {
  struct Case {
    int distance;
    TControl* focused;
  };
  for (const Case& k :
       {Case{-kWheelDelta, button}, Case{kWheelDelta, before}, Case{-2 * kWheelDelta, box},
        Case{2 * kWheelDelta, box}, Case{-kWheelDelta + 1, box}}) {
    Focus(*box);
    testing::TurnWheel(*box, k.distance);
    EXPECT_EQ(form.ActiveControl(), k.focused) << k.distance;
  }
}

TEST_F(NavigationTest, ChildKeyTakenByAParentStopsTheMove) {
  class TKeyPanel : public TPanel {
   public:
    using TPanel::TPanel;
    bool ChildKey(TKey key, TControl&) override { return key == kVkDown; }
  };
  auto* panel = form.Make<TKeyPanel>("panel", &form);
  auto* inner = form.Make<TLibBtBtn>("inner", panel);
  Focus(*inner);
  PressKey(*inner, kVkDown);
  EXPECT_EQ(form.ActiveControl(), inner);
  PressKey(*inner, kVkUp);
  EXPECT_NE(form.ActiveControl(), inner);
}

TEST_F(NavigationTest, FocusTargetIsUsedOnceAndClearedOnEntry) {
  box->SetTabStopEnter(after);
  Focus(*box);
  PressComboKey(*box, kVkReturn);
  EXPECT_EQ(form.ActiveControl(), after);
  EXPECT_EQ(box->FocusTarget(), nullptr);
  Focus(*box);
  Focus(*before);  // a plain exit goes where it was sent
  EXPECT_EQ(form.ActiveControl(), before);
}

TEST(HouseStyle, LabelStartsPlainAndKeepsTheStyleWhenTurnedOff) {
  TForm form(nullptr);
  TLabel plain(nullptr, &form);
  TLibLabel label(nullptr, &form);
  EXPECT_FALSE(label.OriginalStyle());
  EXPECT_EQ(label.EffectiveColor(), plain.EffectiveColor());
  EXPECT_EQ(label.Alignment(), plain.Alignment());
  label.SetOriginalStyle(true);
  label.SetOriginalStyle(false);
  EXPECT_EQ(label.Color(), clBlue);
  EXPECT_EQ(label.Font().color, clWhite);
  EXPECT_TRUE(label.Font().bold);
  EXPECT_EQ(label.Font().height, -16);
  EXPECT_EQ(label.Bounds().height, 24);
  EXPECT_EQ(label.Alignment(), TAlignment::taCenter);
  EXPECT_EQ(label.Layout(), TTextLayout::tlCenter);
  EXPECT_FALSE(label.AutoSize());
}

TEST(HouseStyle, PanelBoxAndButtonFromConstruction) {
  TForm form(nullptr);
  TLibPanel panel(nullptr, &form);
  EXPECT_EQ(panel.Bounds(), (TBounds{0, 0, 89, 24}));
  EXPECT_EQ(panel.EffectiveColor(), clMenu);
  EXPECT_FALSE(panel.Ctl3D());
  EXPECT_FALSE(panel.ParentCtl3D());
  EXPECT_TRUE(panel.Font().bold);
  panel.SetBounds(5, 8, 251, 17);  // a window description's values win
  panel.SetParentColor(true);
  EXPECT_EQ(panel.Bounds(), (TBounds{5, 8, 251, 17}));
  EXPECT_EQ(panel.EffectiveColor(), form.EffectiveColor());

  TLibCBox box(nullptr, &form);
  EXPECT_EQ(box.Bounds(), (TBounds{0, 0, 121, 24}));
  EXPECT_EQ(box.EffectiveColor(), clWindow);
  EXPECT_EQ(box.ItemHeight(), 18);
  EXPECT_EQ(box.Style(), TComboBoxStyle::csOwnerDrawVariable);

  TLibBtBtn button(nullptr, &form);
  EXPECT_FALSE(button.Default());
  EXPECT_TRUE(button.ParentFont());
  EXPECT_EQ(button.Bounds().height, 24);
  EXPECT_EQ(FontHeightOfSize(12), -16);
}

}  // namespace
}  // namespace kestrum::lib
