// Focus movement, tab order, key dispatch and stale references of the toolkit's base classes.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ctl_testing.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::toolkit {
namespace {

// Logs focus entry/exit and can redirect the focus from its exit handler.
class TProbe : public TButton {
 public:
  TProbe(TComponent* owner, TWinControl* parent, std::vector<std::string>& log)
      : TButton(owner, parent), log_(log) {}
  TControl* redirect = nullptr;
  bool consume = false;
  void DoEnter() override {
    log_.push_back("enter " + Name());
    TButton::DoEnter();
  }
  void DoExit() override {
    log_.push_back("exit " + Name());
    TButton::DoExit();
    if (redirect != nullptr) redirect->SetFocus();
  }
  bool KeyDownNotify(TKey& key, TShiftState) override {
    log_.push_back("notify " + std::to_string(key));
    return consume;
  }

 private:
  std::vector<std::string>& log_;
};

class TKeyPanel : public TPanel {
 public:
  using TPanel::TPanel;
  TKey taken = 0;
  bool ChildKey(TKey key, TControl&) override { return key == taken; }
};

class FocusTest : public ::testing::Test {
 protected:
  FocusTest() {
    form.Show();
    a = form.Make<TProbe>("a", &form, log);
    panel = form.Make<TKeyPanel>("panel", &form);
    b = form.Make<TProbe>("b", panel, log);
    c = form.Make<TProbe>("c", &form, log);
    a->SetTabOrder(2);
    panel->SetTabOrder(0);
    c->SetTabOrder(1);
  }
  std::vector<std::string> log;
  TForm form{nullptr};
  TProbe* a;
  TKeyPanel* panel;
  TProbe* b;
  TProbe* c;
};

TEST_F(FocusTest, TabOrderWalksContainersAndWraps) {
  // panel (holding b), c, a
  struct Case {
    TControl* from;
    bool forward;
    TControl* to;
  };
  for (const Case& k :
       {Case{nullptr, true, b}, Case{b, true, c}, Case{c, true, a}, Case{a, true, b},
        Case{nullptr, false, a}, Case{b, false, a}, Case{a, false, c}}) {
    EXPECT_EQ(form.FindNextControl(k.from, k.forward), k.to) << (k.from ? k.from->Name() : "-");
  }
}

TEST_F(FocusTest, TabOrderSkipsDisabledHiddenAndNonStops) {
  c->SetEnabled(false);
  EXPECT_EQ(form.FindNextControl(b, true), a);
  panel->SetVisible(false);
  EXPECT_EQ(form.FindNextControl(a, true), nullptr);  // a alone: nowhere to go
  a->SetTabStop(false);
  EXPECT_EQ(form.FindNextControl(nullptr, true), nullptr);
}

TEST_F(FocusTest, MovesRunExitThenEntry) {
  support::headless::Focus(*a);
  form.NextDialogControl(kNextControl, 0);
  form.NextDialogControl(kPreviousControl, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "exit a", "enter b", "exit b", "enter a"}));
  EXPECT_TRUE(a->Focused());
  // A non-zero lParam is not a direction.
  form.NextDialogControl(kNextControl, 1);
  EXPECT_TRUE(a->Focused());
}

TEST_F(FocusTest, ExitHandlerRedirectWins) {
  support::headless::Focus(*a);
  a->redirect = c;
  b->SetFocus();
  EXPECT_EQ(form.ActiveControl(), c);
  EXPECT_EQ(log, (std::vector<std::string>{"enter a", "exit a", "enter c"}));
  // Redirecting to the control that was about to get the focus enters it once.
  log.clear();
  c->redirect = b;
  b->SetFocus();
  EXPECT_EQ(log, (std::vector<std::string>{"exit c", "enter b"}));
}

TEST_F(FocusTest, FocusingTheFocusedControlRunsNothing) {
  support::headless::Focus(*a);
  a->SetFocus();
  EXPECT_EQ(log, std::vector<std::string>{"enter a"});
}

TEST_F(FocusTest, KeyDispatchNotifiesThenHandles) {
  std::vector<TKey> seen;
  a->OnKeyDown = [&](TKey& key, TShiftState) {
    seen.push_back(key);
    if (key == kVkEscape) key = 0;
  };
  EXPECT_TRUE(support::headless::PressKey(*a, kVkReturn));
  EXPECT_FALSE(support::headless::PressKey(*a, kVkEscape));  // discarded by the handler
  a->consume = true;
  EXPECT_FALSE(support::headless::PressKey(*a, kVkDown));  // never reaches the handler
  EXPECT_EQ(seen, (std::vector<TKey>{kVkReturn, kVkEscape}));
  EXPECT_EQ(log, (std::vector<std::string>{"notify 13", "notify 27", "notify 40"}));
}

TEST_F(FocusTest, ChildKeyAsksEveryParent) {
  panel->taken = kVkReturn;
  EXPECT_TRUE(b->QueryChildKey(kVkReturn));
  EXPECT_FALSE(b->QueryChildKey(kVkDown));
  EXPECT_FALSE(a->QueryChildKey(kVkReturn));  // not inside the panel
}

TEST_F(FocusTest, FocusNextControlNeedsAForm) {
  support::headless::Focus(*c);
  EXPECT_TRUE(c->FocusNextControl(false));
  EXPECT_TRUE(a->Focused());
  EXPECT_TRUE(a->FocusNextControl(true));
  EXPECT_TRUE(c->Focused());
  TPanel loose(nullptr, nullptr);
  TButton orphan(nullptr, &loose);
  EXPECT_FALSE(orphan.FocusNextControl(false));
}

TEST_F(FocusTest, AFocusedControlDestroyedEarlyIsNotExited) {
  auto extra = std::make_unique<TProbe>(nullptr, &form, log);
  extra->SetTabStop(true);
  support::headless::Focus(*extra);
  extra.reset();
  EXPECT_EQ(form.ActiveControl(), nullptr);
  support::headless::Focus(*a);
  EXPECT_EQ(log, (std::vector<std::string>{"enter ", "enter a"}));
}

TEST(ComponentRef, ReadsNullOnceTheComponentIsGone) {
  TForm form(nullptr);
  auto* button = form.Make<TButton>("button", &form);
  TComponentRef<TControl> ref(button);
  EXPECT_EQ(ref.Get(), button);
  {
    TButton temporary(nullptr, nullptr);
    ref = &temporary;
    EXPECT_EQ(ref.Get(), &temporary);
  }
  EXPECT_EQ(ref.Get(), nullptr);
  EXPECT_EQ(TComponentRef<TControl>().Get(), nullptr);
}

}  // namespace
}  // namespace kestrum::toolkit
