// The main window on real Win32 controls: properties shown natively, user input fed back.
#include <gtest/gtest.h>

#include <vector>

#include "app/servers.h"
#include "kestrum_fixture.h"
#include "lib/win32/lib_widgets.h"
#include "support/gui_testing.h"
#include "toolkit/ctl_keys.h"

namespace kestrum::app {
namespace {

using namespace support;

class NativeWindow : public KestrumFixture {
 protected:
  NativeWindow() : KestrumFixture(&lib::win32::LibWidgetSet()) {}
};

TEST_F(NativeWindow, ShowsThePropertiesAndFeedsUserInputBack) {
  Start();
  form->Show();
  EXPECT_TRUE(NativeVisible(*form));
  EXPECT_EQ(NativeText(*form), "Kestrum");
  EXPECT_EQ(NativeText(*form->edt_hostname), Server(1));
  EXPECT_EQ(NativeText(*form->btn_sync), "同　期");
  EXPECT_EQ(NativeItemCount(*form->edt_hostbox), 13);
  EXPECT_EQ(NativeItemIndex(*form->edt_hostbox), 0);
  EXPECT_EQ(NativeItemCount(*form->StartTime), 31);
  EXPECT_FALSE(NativeEnabled(*form->edt_time));
  EXPECT_TRUE(NativeIsAbove(*form->edt_hostname, *form->edt_hostbox));

  UserSelect(*form->edt_hostbox, 3);
  EXPECT_EQ(form->edt_hostname->Text(), Server(4));
  EXPECT_EQ(NativeText(*form->edt_hostname), Server(4));
  UserType(*form->edt_hostname, "ntp.example.org");
  EXPECT_EQ(form->edt_hostname->Text(), "ntp.example.org");
  form->EnableControls(false);
  EXPECT_FALSE(NativeEnabled(*form->btn_get));
  EXPECT_FALSE(NativeEnabled(*form->StartTime));
}

TEST_F(NativeWindow, ButtonClickRunsTheSequenceThroughRealPumps) {
  const base::TDateTime utc = clock.local_now() - 0.375 - 3.5 / base::kSecsPerDay;
  servers.script = [utc](const std::string& protocol, const std::string&) {
    return fakes::TFakeReply{protocol == "TIME", utc};
  };
  Start();
  form->Show();
  UserClick(*form->btn_get);
  EXPECT_EQ(NativeText(*form->StatusBar), "時刻を取得しました..");
  EXPECT_EQ(NativeText(*form->edt_offset), "誤差 -3 秒");
  EXPECT_EQ(NativeText(*form->edt_time), "2026/12/08 11:59:56");
  EXPECT_TRUE(NativeEnabled(*form->btn_get));
  EXPECT_EQ(State().OffsetHundredths(), -350);
}

TEST_F(NativeWindow, FocusStartsInTheHostBoxAndTabFollowsTheTabOrder) {
  Start();
  form->Show();
  EXPECT_TRUE(NativeFocused(*form->edt_hostname));
  // Stacking order (what the dialog manager follows) would visit the buttons backwards.
  const std::vector<toolkit::TControl*> forward = {form->btn_get, form->btn_set, form->btn_sync,
                                                   form->edt_hostbox, form->edt_hostname};
  toolkit::TControl* current = form->edt_hostname;
  for (toolkit::TControl* next : forward) {
    PostKeyDown(*current, toolkit::kVkTab);
    toolkit::WidgetSet().ProcessMessages();
    EXPECT_TRUE(NativeFocused(*next)) << next->Name();
    current = next;
  }
}

TEST_F(NativeWindow, CloseBoxAsksTheFormAndEndsTheLoop) {
  Start();
  form->Show();
  UserClose(*form);
  EXPECT_TRUE(State().CancelFlag());
  EXPECT_FALSE(NativeVisible(*form));
  EXPECT_TRUE(application.Terminated());
  // The posted quit ends the loop at once.
  lib::win32::LibWidgetSet().RunMessageLoop();
}

}  // namespace
}  // namespace kestrum::app
