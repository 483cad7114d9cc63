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

using namespace platform::testing;

// Client pixels from the right edge where the host list's drop-down button lies.
constexpr int kDropButtonX = -8;
constexpr int kDropButtonY = 12;

class MainWindowInput : public KestrumFixture {
 protected:
  MainWindowInput() : KestrumFixture(&platform::win32::LibWidgetSet()) {}
  void ShowMain() {
    Start();
    form->Show();
    Pump();
  }
  static std::string Focused() {
    lib::TControl* c = NativeFocusedControl();
    return c != nullptr ? c->Name() : "-";
  }
};

TEST_F(MainWindowInput, TabShiftTabEnterUpAndDownWalkTheControls) {
  struct Step {
    lib::TKey key;
    bool shift;
    const char* lands;
  };
  const Step steps[] = {
      {lib::kVkTab, false, "btn_get"},         {lib::kVkTab, false, "btn_set"},
      {lib::kVkTab, false, "btn_sync"},        {lib::kVkTab, false, "edt_hostbox"},
      {lib::kVkTab, false, "edt_hostname"},    {lib::kVkTab, true, "edt_hostbox"},
      {lib::kVkTab, true, "btn_sync"},         {lib::kVkUp, false, "btn_set"},
      {lib::kVkDown, false, "btn_sync"},       {lib::kVkDown, false, "edt_hostbox"},
      {lib::kVkDown, false, "edt_hostname"},   {lib::kVkReturn, false, "btn_get"},
      {lib::kVkUp, false, "edt_hostname"},     {lib::kVkUp, false, "edt_hostbox"},
      {lib::kVkReturn, false, "edt_hostname"},
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
  PressKey(lib::kVkTab, true);
  ASSERT_EQ(Focused(), "edt_hostname");
  EXPECT_FALSE(ImeOpen(*form->edt_hostname));
  const int length = static_cast<int>(form->edt_hostname->Text().size());
  EXPECT_EQ(NativeSelection(*form->edt_hostname), (std::pair<int, int>{0, length}));
  TypeChars("ntp.example.jp");
  EXPECT_EQ(form->edt_hostname->Text(), "ntp.example.jp");
}

// The list's button stays reachable beside the host box; a pick lands in the host box.
TEST_F(MainWindowInput, TheListButtonOpensTheListAndAPickGoesToTheHostBox) {
  ShowMain();
  MouseClick(*form->edt_hostbox, kDropButtonX, kDropButtonY);
  ASSERT_TRUE(NativeDroppedDown(*form->edt_hostbox));
  // The open list follows the pointer, which may rest over one of its entries.
  const int opened = NativeItemIndex(*form->edt_hostbox);
  PressKey(lib::kVkDown);
  PressKey(lib::kVkReturn);
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
  PressKey(lib::kVkReturn);
  EXPECT_EQ(clicked_at, 2);
  EXPECT_LE(probe.urls.size(), 3u);
  EXPECT_EQ(NativeText(*form->StatusBar), "中断しました");
  EXPECT_FALSE(form->CancelFlag());
}

}  // namespace
}  // namespace kestrum::app
