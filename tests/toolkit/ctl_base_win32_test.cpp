// Key, focus, wheel and next-control messages sent to real Win32 windows reach the toolkit's
// hooks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/gui_testing.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"
#include "toolkit/win32/gui.h"

namespace kestrum::toolkit {
namespace {

using namespace support;

class TRecordingButton : public TButton {
 public:
  TRecordingButton(TComponent* owner, TWinControl* parent, std::vector<std::string>& log)
      : TButton(owner, parent), log_(log) {}
  void DoEnter() override { log_.push_back("enter " + Name()); }
  void DoExit() override { log_.push_back("exit " + Name()); }
  bool KeyDownNotify(TKey& key, TShiftState) override {
    log_.push_back(Name() + " notify " + std::to_string(key));
    return key == kVkEscape;
  }
  void KeyDown(TKey& key, TShiftState) override {
    log_.push_back(Name() + " down " + std::to_string(key));
  }
  void KeyPress(char& ch) override { log_.push_back(Name() + " char " + std::string(1, ch)); }
  void MouseWheel(int distance, TShiftState) override {
    log_.push_back(Name() + " wheel " + std::to_string(distance));
  }

 private:
  std::vector<std::string>& log_;
};

class NativeBase : public ::testing::Test {
 protected:
  NativeBase() {
    form.SetClientSize(200, 100);
    first = form.Make<TRecordingButton>("first", &form, log);
    first->SetBounds(10, 10, 80, 24);
    second = form.Make<TRecordingButton>("second", &form, log);
    second->SetBounds(10, 40, 80, 24);
    form.Show();
  }
  TFormatSettings format_settings;
  TApplication application{win32::NativeWidgetSet(), format_settings};
  TApplicationOverride in_force{application};
  std::vector<std::string> log;
  TForm form{nullptr};
  TRecordingButton* first;
  TRecordingButton* second;
};

TEST_F(NativeBase, NativeFocusRunsExitAndEntry) {
  UserFocus(*first);
  UserFocus(*second);
  EXPECT_TRUE(NativeFocused(*second));
  EXPECT_EQ(form.ActiveControl(), second);
  EXPECT_EQ(log, (std::vector<std::string>{"enter first", "exit first", "enter second"}));
}

TEST_F(NativeBase, NextDialogControlMessageMovesTheNativeFocus) {
  first->SetFocus();
  SendNextDialogControl(form, kNextControl);
  EXPECT_TRUE(NativeFocused(*second));
  SendNextDialogControl(form, kPreviousControl);
  EXPECT_TRUE(NativeFocused(*first));
  EXPECT_EQ(form.ActiveControl(), first);
}

TEST_F(NativeBase, TabFollowsTabOrderNotCreationOrder) {
  auto* third = form.Make<TRecordingButton>("third", &form, log);
  third->SetBounds(100, 10, 80, 24);
  form.CreatePeers();
  first->SetTabOrder(0);
  second->SetTabOrder(2);
  third->SetTabOrder(1);
  UserFocus(*first);
  PostKeyDown(*first, kVkTab);
  win32::NativeWidgetSet().ProcessMessages();
  EXPECT_TRUE(NativeFocused(*third));
  PostKeyDown(*third, kVkTab);
  win32::NativeWidgetSet().ProcessMessages();
  EXPECT_TRUE(NativeFocused(*second));
}

TEST_F(NativeBase, KeysCharactersAndWheelReachTheHooks) {
  first->SetFocus();
  log.clear();
  UserKeyDown(*first, kVkReturn);
  UserKeyDown(*first, kVkEscape);  // consumed by the notification
  UserChar(*first, 'x');
  UserWheel(*first, -kWheelDelta);
  EXPECT_EQ(log, (std::vector<std::string>{"first notify 13", "first down 13", "first notify 27",
                                           "first char x", "first wheel -120"}));
}

}  // namespace
}  // namespace kestrum::toolkit
