// The maker's controls on real Win32 windows: real key, wheel and list messages in, native
// focus and selection out.
#include <gtest/gtest.h>

#include <vector>

#include "lib/libbtbtn.h"
#include "lib/libcbox.h"
#include "lib/liblabel_panel.h"
#include "lib/win32/lib_widgets.h"
#include "support/gui_testing.h"
#include "toolkit/ctl_form.h"

namespace kestrum::lib {
namespace {

using namespace support;

class NativeControls : public ::testing::Test {
 protected:
  NativeControls() {
    form.SetClientSize(300, 200);
    box = form.Make<TLibCBox>("box", &form);
    box->SetBounds(10, 10, 120, 24);
    box->SetStyle(toolkit::TComboBoxStyle::csDropDownList);
    box->SetItems({"a", "b", "c", "d", "e"});
    box->OnChange = [this] { changes.push_back(box->ItemIndex()); };
    button = form.Make<TLibBtBtn>("button", &form);
    button->SetBounds(10, 50, 90, 30);
    button->OnClick = [this] { ++clicks; };
    edit = form.Make<toolkit::TEdit>("edit", &form);
    edit->SetBounds(10, 90, 120, 24);
    form.Show();
  }
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{win32::LibWidgetSet(), format_settings};
  toolkit::TApplicationOverride in_force{application};
  toolkit::TForm form{nullptr};
  TLibCBox* box;
  TLibBtBtn* button;
  toolkit::TEdit* edit;
  std::vector<int> changes;
  int clicks = 0;
};

TEST_F(NativeControls, DownOnClosedBoxMovesTheFocusAndKeepsItem3) {
  // The shown form gave the box the focus; it enters again with item 3.
  UserFocus(*edit);
  box->SetItemIndex(3);
  UserFocus(*box);
  UserKeyDown(*box, toolkit::kVkDown);
  EXPECT_TRUE(NativeFocused(*button));
  EXPECT_EQ(box->ItemIndex(), 3);
  EXPECT_EQ(NativeItemIndex(*box), 3);
}

TEST_F(NativeControls, TabStopCloseTakesTheFocusAndOnChangeStillFires) {
  box->SetTabStopClose(edit);
  UserFocus(*box);
  UserSelect(*box, 2);
  EXPECT_TRUE(NativeFocused(*edit));
  EXPECT_EQ(box->ItemIndex(), 2);
  EXPECT_EQ(NativeItemIndex(*box), 2);
  EXPECT_EQ(changes, std::vector<int>{2});
}

TEST_F(NativeControls, EnterClicksAButtonWithoutTargetAndKeepsTheFocus) {
  UserFocus(*button);
  UserKeyDown(*button, toolkit::kVkReturn);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(NativeFocused(*button));
  button->SetTabStopEnter(edit);
  UserKeyDown(*button, toolkit::kVkReturn);
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(NativeFocused(*edit));
}

TEST_F(NativeControls, OnlyOneWheelNotchMovesTheFocus) {
  UserFocus(*button);
  UserWheel(*button, -2 * toolkit::kWheelDelta);
  EXPECT_TRUE(NativeFocused(*button));
  UserWheel(*button, toolkit::kWheelDelta);
  EXPECT_TRUE(NativeFocused(*box));
}

TEST_F(NativeControls, HouseStylesOfALabelAndAPanelMadeInCode) {
  auto* label = form.Make<TLibLabel>("label", &form);
  auto* panel = form.Make<TLibPanel>("panel", &form);
  label->SetCaption("label");
  label->SetOriginalStyle(true);
  form.CreatePeers();
  EXPECT_EQ(NativeText(*label), "label");
  EXPECT_TRUE(NativeVisible(*panel));
  EXPECT_EQ(label->Color(), toolkit::clBlue);
  EXPECT_EQ(label->Font().color, toolkit::clWhite);
  EXPECT_EQ(label->Bounds().height, 24);
  EXPECT_EQ(panel->Bounds(), (toolkit::TBounds{0, 0, 89, 24}));
  EXPECT_EQ(panel->EffectiveColor(), toolkit::clMenu);
  EXPECT_FALSE(panel->Ctl3D());
}

}  // namespace
}  // namespace kestrum::lib
