// The main window's edit boxes on real subclassed Win32 edits: typing, list picks and the
// boxes' own painting.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "kestrum_fixture.h"
#include "lib/win32/lib_widgets.h"
#include "support/gui_testing.h"
#include "support/gui_testing_edit.h"

namespace kestrum::app {
namespace {

using namespace support;

// The native widget set, with its beeps counted instead of sounded.
class TCountingWidgetSet final : public toolkit::TWidgetSet {
 public:
  explicit TCountingWidgetSet(toolkit::TWidgetSet& inner) : inner_(inner) {}
  std::unique_ptr<toolkit::TControlPeer> CreatePeer(toolkit::TComponent& component) override {
    return inner_.CreatePeer(component);
  }
  void ProcessMessages() override { inner_.ProcessMessages(); }
  void RunMessageLoop() override { inner_.RunMessageLoop(); }
  void Terminate() override { inner_.Terminate(); }
  void ShowError(const std::string& title, const std::string& text) override {
    inner_.ShowError(title, text);
  }
  void Beep() override { ++beeps; }
  void SetTitle(const std::string& title) override { inner_.SetTitle(title); }
  void HideTaskbarWindow() override { inner_.HideTaskbarWindow(); }
  int beeps = 0;

 private:
  toolkit::TWidgetSet& inner_;
};

// Made before the fixture, which hands it to the windows.
struct TCountingWidgets {
  TCountingWidgetSet counting{lib::win32::LibWidgetSet()};
};

class NativeEdit : protected TCountingWidgets, public KestrumFixture {
 protected:
  NativeEdit() : KestrumFixture(&counting) {}
  size_t Count(const std::vector<uint32_t>& pixels, toolkit::TColor color) {
    return static_cast<size_t>(std::count(pixels.begin(), pixels.end(), NativeColor(color)));
  }
};

TEST_F(NativeEdit, AListEntryWithTrailingBlanksShowsTrimmed) {
  Start();
  form->edt_hostbox->SetItems({"ntp.example.jp  　", "x"});
  form->Show();
  UserSelect(*form->edt_hostbox, 0);
  EXPECT_EQ(form->edt_hostname->Text(), "ntp.example.jp");
  EXPECT_EQ(NativeText(*form->edt_hostname), "ntp.example.jp");
}

TEST_F(NativeEdit, TypingPastTheByteLimitDropsWholeCharactersSilently) {
  Start();
  form->edt_hostname->SetText("");
  form->edt_hostname->SetMaxLength(10);
  form->Show();
  UserFocus(*form->edt_hostname);
  EXPECT_TRUE(form->edt_hostname->FieldFocused());
  UserTypeText(*form->edt_hostname, "abcdefghiあjk");
  EXPECT_EQ(NativeText(*form->edt_hostname), "abcdefghij");
  EXPECT_EQ(form->edt_hostname->Text(), "abcdefghij");
  EXPECT_EQ(counting.beeps, 0);
  // Home at the start, with nothing selected, clears the box.
  UserKeyDown(*form->edt_hostname, toolkit::kVkHome);
  UserKeyDown(*form->edt_hostname, toolkit::kVkHome);
  EXPECT_EQ(NativeText(*form->edt_hostname), "");
}

TEST_F(NativeEdit, DisabledBoxPaintsWindowTextOnTheActiveBorderColour) {
  Start();
  form->edt_time->SetText("2026/12/08 12:00:00   ");
  form->Show();
  const std::vector<uint32_t> pixels = NativeClientPixels(*form->edt_time);
  ASSERT_FALSE(pixels.empty());
  EXPECT_GT(Count(pixels, toolkit::clActiveBorder), pixels.size() / 2);
  EXPECT_GT(Count(pixels, toolkit::clWindowText), 0u);
  // The text keeps its blanks; only the painting drops them.
  EXPECT_EQ(form->edt_time->Text(), "2026/12/08 12:00:00   ");
}

TEST_F(NativeEdit, TheFocusedBoxPaintsItsEnterColour) {
  Start();
  form->edt_hostname->SetEnterColor(toolkit::clYellow);
  form->Show();
  // The shown window focuses its first control, the host box; take the focus away first.
  UserFocus(*form->btn_get);
  EXPECT_EQ(Count(NativeClientPixels(*form->edt_hostname), toolkit::clYellow), 0u);
  UserFocus(*form->edt_hostname);
  const std::vector<uint32_t> pixels = NativeClientPixels(*form->edt_hostname);
  EXPECT_GT(Count(pixels, toolkit::clYellow), pixels.size() / 2);
}

}  // namespace
}  // namespace kestrum::app
