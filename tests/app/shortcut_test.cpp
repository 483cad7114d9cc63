// The start-up row: the user's pick in StartTime creates or deletes the shortcut, warns, and
// remembers the choice; nothing happens without the executable or a title.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

constexpr char kWarning[] = "警告:この機能はWindows10以降のOSには対応していません。";

class StartupShortcut : public KestrumFixture {
 protected:
  StartupShortcut() { application.SetTitle("Kestrum"); }
  // The user picks the entry showing `text`.
  void Pick(const std::string& text) {
    form->StartTime->UserSelected(form->StartTime->IndexOf(text));
  }
  std::string Created(const char* arguments) const {
    return std::string("create ") + kExePath + "|" + arguments + "|Kestrum|7";
  }
};

TEST_F(StartupShortcut, PicksCreateReplaceAndDelete) {
  Start();
  Pick("5");
  Pick("30");
  Pick("");
  const std::vector<std::string> expected{Created("/S 5000"), Created("/S 30000"),
                                          std::string("delete ") + kExePath + "|Kestrum|7"};
  EXPECT_EQ(shortcuts.calls, expected);
  EXPECT_EQ(widgets.warnings, (std::vector<std::string>{kWarning, kWarning}));
  EXPECT_EQ(profile.WrittenValues("StartTime"), (std::vector<std::string>{"5", "30", ""}));
}

TEST_F(StartupShortcut, NothingWithoutTheExecutableOrATitle) {
  for (const bool title : {true, false}) {
    SCOPED_TRACE(title);
    exe_exists = !title;
    application.SetTitle(title ? "Kestrum" : "");
    profile = fakes::TFakeProfile();
    Start();
    Pick("5");
    Pick("");
    EXPECT_TRUE(shortcuts.calls.empty());
    EXPECT_TRUE(widgets.warnings.empty());
    EXPECT_TRUE(profile.WrittenValues("StartTime").empty());
  }
}

TEST_F(StartupShortcut, ALinkObjectFailureEndsTheHandlerBeforeTheWrite) {
  Start();
  shortcuts.fail = true;
  EXPECT_THROW(Pick("5"), std::runtime_error);
  EXPECT_THROW(Pick(""), std::runtime_error);
  EXPECT_TRUE(profile.WrittenValues("StartTime").empty());
}

TEST_F(StartupShortcut, SelectingInCodeRunsNothing) {
  profile.Set(kIniPath, "Kestrum", "StartTime", "7");
  Start();
  EXPECT_EQ(form->StartTime->SelectedText(), "7");
  form->StartTime->SetItemIndex(0);
  EXPECT_TRUE(shortcuts.calls.empty());
  EXPECT_TRUE(widgets.warnings.empty());
}

}  // namespace
}  // namespace kestrum::app
