#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"
#include "fakes/fake_app.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_graphics.h"
#include "toolkit/ctl_stdctrls.h"

namespace kestrum::toolkit {
namespace {

TEST(Colors, NamesHaveTheirValues) {
  // System colours are 0x80000000 plus the system's colour index; the others are BGR.
  const std::pair<const char*, TColor> names[] = {
      {"clScrollBar", 0x80000000}, {"clWindowText", 0x80000008}, {"clHighlight", 0x8000000D},
      {"clBtnFace", 0x8000000F},   {"clInfoBk", 0x80000018},     {"clBlack", 0x000000},
      {"clMaroon", 0x000080},      {"clRed", 0x0000FF},          {"clBlue", 0xFF0000},
      {"clYellow", 0x00FFFF},      {"clSilver", 0xC0C0C0},       {"clNone", 0x1FFFFFFF},
      {"CLWHITE", 0xFFFFFF},       {"clinfobk", 0x80000018}};
  for (const auto& [name, value] : names) EXPECT_EQ(IdentToColor(name), value) << name;
  EXPECT_EQ(IdentToColor("blue"), std::nullopt);
  EXPECT_EQ(IdentToColor("clRed "), std::nullopt);
}

TEST(Colors, NumbersAreDecimalOrDollarHex) {
  const std::pair<const char*, TColor> good[] = {{"0", 0},
                                                 {"255", 255},
                                                 {"$FF", 255},
                                                 {"$ff0000", 0xFF0000},
                                                 {"-1", 0xFFFFFFFF},
                                                 {"$FFFFFFFF", 0xFFFFFFFF},
                                                 {"+16", 16},
                                                 // leading zeros count for nothing
                                                 {"$0000000FF", 0xFF},
                                                 {"$000000000FFFFFFFF", 0xFFFFFFFF}};
  for (const auto& [text, value] : good) EXPECT_EQ(StringToColor(text), value) << text;
  for (const char* bad :
       {"", "$", "$123456789", "$100000000", "2147483648", "12ab", "0x10", " 5"}) {
    EXPECT_THROW(StringToColor(bad), base::EConvertError) << bad;
  }
}

TEST(Controls, SettersTellThePeerOnlyAboutChanges) {
  fakes::TFakeApplication fake;
  fakes::TFakeWidgetSet& widgets = fake.widgets;
  TForm form(nullptr);
  auto* edit = form.Make<TEdit>("edit", &form);
  auto* list = form.Make<TComboBox>("list", &form);
  auto* bar = form.Make<TStatusBar>("bar", &form);
  bar->AddPanel(50);
  form.Show();
  EXPECT_EQ(widgets.peers_created, (std::vector<std::string>{"", "edit", "list", "bar"}));
  widgets.changes.clear();

  edit->SetText("a");
  edit->SetText("a");
  edit->SetEnabled(true);  // unchanged
  edit->SetEnabled(false);
  list->SetItems({"x", "y"});
  list->SetItemIndex(1);
  list->SetItemIndex(1);
  list->SetItemIndex(7);  // out of range: none
  bar->SetPanelText(0, "s");
  bar->SetPanelText(0, "s");
  EXPECT_EQ(widgets.changes,
            (std::vector<std::string>{"edit:0", "edit:1", "list:6", "list:7", "list:7", "bar:9"}));
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST(Controls, UserInputRunsHandlersButCodeSelectionDoesNot) {
  TForm form(nullptr);
  auto* list = form.Make<TComboBox>("list", &form);
  auto* edit = form.Make<TEdit>("edit", &form);
  int list_changes = 0, edit_changes = 0;
  list->OnChange = [&] { ++list_changes; };
  edit->OnChange = [&] { ++edit_changes; };
  list->SetItems({"Alpha", "", "時刻a"});
  list->SetItemIndex(0);
  EXPECT_EQ(list_changes, 0);
  list->UserSelected(2);
  EXPECT_EQ(list_changes, 1);
  EXPECT_EQ(list->SelectedText(), "時刻a");
  EXPECT_EQ(list->IndexOf("ALPHA"), 0);
  EXPECT_EQ(list->IndexOf("時刻A"), 2);
  EXPECT_EQ(list->IndexOf(""), 1);
  EXPECT_EQ(list->IndexOf("Alph"), -1);
  edit->UserEdited("typed");
  EXPECT_EQ(edit->Text(), "typed");
  EXPECT_EQ(edit_changes, 1);
}

TEST(Forms, CloseAsksFirstAndOnlyTheMainFormEndsTheLoop) {
  fakes::TFakeApplication fake;
  fakes::TFakeWidgetSet& widgets = fake.widgets;
  TApplication& application = fake.application;
  TForm main_form(nullptr), other(nullptr);
  application.SetMainForm(&main_form);
  bool allow = false;
  main_form.OnCloseQuery = [&](bool& can_close) { can_close = allow; };
  main_form.Show();
  other.Show();
  main_form.Close();
  EXPECT_TRUE(main_form.Visible());
  other.Close();
  EXPECT_FALSE(other.Visible());
  EXPECT_FALSE(application.Terminated());
  allow = true;
  main_form.Close();
  EXPECT_FALSE(main_form.Visible());
  EXPECT_TRUE(application.Terminated());
  EXPECT_EQ(widgets.terminations, 1);
}

TEST(Forms, ErrorInCreateHandlerGoesToTheDefaultReport) {
  fakes::TFakeApplication fake;
  fakes::TFakeWidgetSet& widgets = fake.widgets;
  TForm form(nullptr);
  form.OnCreate = [] { throw base::EConvertError("bad"); };
  form.DoCreate();
  EXPECT_EQ(widgets.errors, std::vector<std::string>{"bad"});
  int destroyed = 0;
  form.OnDestroy = [&] { ++destroyed; };
  form.DoDestroy();
  form.DoDestroy();
  EXPECT_EQ(destroyed, 1);
}

TEST(Forms, ChildrenTakeTheParentsColourAndFontUntilTheyGetTheirOwn) {
  TForm form(nullptr);
  auto* panel = form.Make<TPanel>("panel", &form);
  auto* line = form.Make<TPanel>("line", panel);
  panel->SetColor(clYellow);
  EXPECT_EQ(line->EffectiveColor(), clYellow);
  panel->SetColor(clRed);
  EXPECT_EQ(line->EffectiveColor(), clRed);
  line->SetColor(clBlue);
  EXPECT_EQ(line->EffectiveColor(), clBlue);
  form.SetFont(TFont{"f", -15, clBlack, true});
  EXPECT_EQ(line->EffectiveFont().name, "f");
  EXPECT_EQ(line->ParentForm(), &form);
}

}  // namespace
}  // namespace kestrum::toolkit
