// Both windows driven with real input: keys posted to the focused window and delivered by the
// message loop, mouse input through the input queue, the hint shown by hovering.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/servers.h"
#include "kestrum_fixture.h"
#include "lib/win32/lib_widgets.h"
#include "support/gui_input.h"
#include "support/gui_testing.h"
#include "toolkit/ctl_keys.h"

namespace kestrum::app {
namespace {

using namespace support;

// Client pixels from the right edge where the host list's drop-down button lies.
constexpr int kDropButtonX = -8;
constexpr int kDropButtonY = 12;

class MainWindowInput : public KestrumFixture {
 protected:
  MainWindowInput() : KestrumFixture(&lib::win32::LibWidgetSet()) {}
  void ShowMain() {
    Start();
    form->Show();
    Pump();
  }
  static std::string Focused() {
    toolkit::TControl* c = NativeFocusedControl();
    return c != nullptr ? c->Name() : "-";
  }
};

TEST_F(MainWindowInput, TabShiftTabEnterUpAndDownWalkTheControls) {
  struct Step {
    toolkit::TKey key;
    bool shift;
    const char* lands;
  };
  const Step steps[] = {
      {toolkit::kVkTab, false, "btn_get"},         {toolkit::kVkTab, false, "btn_set"},
      {toolkit::kVkTab, false, "btn_sync"},        {toolkit::kVkTab, false, "edt_hostbox"},
      {toolkit::kVkTab, false, "edt_hostname"},    {toolkit::kVkTab, true, "edt_hostbox"},
      {toolkit::kVkTab, true, "btn_sync"},         {toolkit::kVkUp, false, "btn_set"},
      {toolkit::kVkDown, false, "btn_sync"},       {toolkit::kVkDown, false, "edt_hostbox"},
      {toolkit::kVkDown, false, "edt_hostname"},   {toolkit::kVkReturn, false, "btn_get"},
      {toolkit::kVkUp, false, "edt_hostname"},     {toolkit::kVkUp, false, "edt_hostbox"},
      {toolkit::kVkReturn, false, "edt_hostname"},
  };
  ShowMain();
  ASSERT_EQ(Focused(), "edt_hostname");
  for (const Step& s : steps) {
    PressKey(s.key, s.shift);
    EXPECT_EQ(Focused(), s.lands) << "key " << s.key;
    EXPECT_EQ(form->ActiveControl() != nullptr ? form->ActiveControl()->Name() : "-", s.lands);
  }
  // Arrow keys on the closed list moved the focus, not the entry.
  EXPECT_EQ(form->edt_hostbox->ItemIndex(), 0);
}

TEST_F(MainWindowInput, TheHostBoxIsSelectedAndItsInputMethodClosedOnEntry) {
  ShowMain();
  form->btn_get->SetFocus();
  Pump();
  SetImeOpen(*form->btn_get, true);
  PressKey(toolkit::kVkTab, true);
  ASSERT_EQ(Focused(), "edt_hostname");
  EXPECT_FALSE(ImeOpen(*form->edt_hostname));
  const int length = static_cast<int>(form->edt_hostname->Text().size());
  EXPECT_EQ(NativeSelection(*form->edt_hostname), (std::pair<int, int>{0, length}));
  TypeChars("ntp.example.jp");
  EXPECT_EQ(form->edt_hostname->Text(), "ntp.example.jp");
  // The wheel over the list beside it (under the pointer, unfocused) leaves the typed name.
  WheelOver(*form->edt_hostbox, -toolkit::kWheelDelta);
  EXPECT_EQ(form->edt_hostname->Text(), "ntp.example.jp");
  EXPECT_EQ(form->edt_hostbox->ItemIndex(), 0);
}

// The list's button stays reachable beside the host box; a pick lands in the host box.
TEST_F(MainWindowInput, TheListButtonOpensTheListAndAPickGoesToTheHostBox) {
  ShowMain();
  MouseClick(*form->edt_hostbox, kDropButtonX, kDropButtonY);
  ASSERT_TRUE(NativeDroppedDown(*form->edt_hostbox));
  // The open list follows the pointer, which may rest over one of its entries.
  const int opened = NativeItemIndex(*form->edt_hostbox);
  PressKey(toolkit::kVkDown);
  PressKey(toolkit::kVkReturn);
  EXPECT_FALSE(NativeDroppedDown(*form->edt_hostbox));
  EXPECT_EQ(form->edt_hostbox->ItemIndex(), opened + 1);
  EXPECT_EQ(NativeText(*form->edt_hostname), Server(static_cast<size_t>(opened) + 2));
  EXPECT_EQ(Focused(), "edt_hostname");
}

TEST_F(MainWindowInput, HoveringTheTimeBoxShowsItsHint) {
  ShowMain();
  EXPECT_EQ(HoverHint(*form->edt_time), "Local time");
}

TEST_F(MainWindowInput, TheCancelButtonStopsTheNetworkWait) {
  probe.otherwise = false;
  ShowMain();
  cmd->Show();
  Settle();
  int clicked_at = 0;
  probe.on_probe = [&](int n) {
    // Clicked while the wait runs; the program's own pump delivers the click.
    if (n == 2 && NativeEnabled(*cmd->CancelBtn)) {
      QueueMouseClick(*cmd->CancelBtn, 20, 10);
      clicked_at = n;
    }
  };
  form->btn_get->SetFocus();
  PressKey(toolkit::kVkReturn);
  EXPECT_EQ(clicked_at, 2);
  EXPECT_LE(probe.urls.size(), 3u);
  EXPECT_EQ(NativeText(*form->StatusBar), "中断しました");
  EXPECT_FALSE(State().CancelFlag());
}

// The start-up warning disables the main window while it is open: a click on the list behind
// it opens nothing, and the one pick stays the only one.
TEST_F(MainWindowInput, TheStartupWarningBlocksASecondPickBehindIt) {
  application.SetTitle("Kestrum");
  ShowMain();
  WhileMessageBoxOpen([this] {
    EXPECT_FALSE(NativeEnabled(*form));
    QueueMouseClick(*form->StartTime, kDropButtonX, kDropButtonY);
  });
  UserSelect(*form->StartTime, form->StartTime->IndexOf("5"));
  Settle();
  EXPECT_FALSE(NativeDroppedDown(*form->StartTime));
  EXPECT_EQ(form->StartTime->SelectedText(), "5");
  EXPECT_EQ(shortcuts.calls.size(), 1u);
  EXPECT_TRUE(NativeEnabled(*form));
}

}  // namespace
}  // namespace kestrum::app
