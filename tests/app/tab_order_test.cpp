// The main window's keyboard order: Tab and the maker's controls' Enter/Down walk the enabled
// controls in tab order; the display boxes and the start-up list are left out.
#include <gtest/gtest.h>

#include <vector>

#include "kestrum_fixture.h"
#include "support/ctl_testing.h"

namespace kestrum::app {
namespace {

class TabOrder : public KestrumFixture {};

TEST_F(TabOrder, WalksHostButtonsAndServerList) {
  Start();
  form->Show();
  const std::vector<toolkit::TControl*> expected{form->edt_hostname, form->btn_get,
                                                 form->btn_set,      form->btn_sync,
                                                 form->edt_hostbox,  form->edt_hostname};
  std::vector<toolkit::TControl*> walked;
  toolkit::TControl* at = nullptr;
  for (size_t i = 0; i < expected.size(); ++i) {
    at = form->FindNextControl(at, true);
    walked.push_back(at);
  }
  EXPECT_EQ(walked, expected);
}

TEST_F(TabOrder, DownOnAButtonAndWheelOnTheListFollowIt) {
  Start();
  form->Show();
  support::headless::Focus(*form->btn_set);
  support::headless::PressKey(*form->btn_set, toolkit::kVkDown);
  EXPECT_EQ(form->ActiveControl(), form->btn_sync);
  support::headless::Focus(*form->edt_hostbox);
  support::headless::TurnWheel(*form->edt_hostbox, -toolkit::kWheelDelta);
  EXPECT_EQ(form->ActiveControl(), form->edt_hostname);
}

}  // namespace
}  // namespace kestrum::app
