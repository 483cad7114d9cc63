// Both window descriptions against their layout tables: geometry, fonts, colours, captions, tab
// order, list entries, and whether the longest status texts fit the two status lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "base/sjis_bytes.h"
#include "kestrum_fixture.h"

namespace kestrum::app {
namespace {

using toolkit::TAlignment;
using toolkit::TBounds;
using toolkit::TFont;

const std::string kGothic = "ＭＳ ゴシック";
const std::string kPGothic = "ＭＳ Ｐゴシック";

TFont Font(const std::string& name, int height, toolkit::TColor color, bool bold) {
  return TFont{name, height, color, bold, toolkit::TFontCharset::ShiftJis};
}

struct TRow {
  const char* name;
  TBounds bounds;
  TFont font;
  const char* caption;  // null: not checked
  int tab_order;        // -1: not checked
};

class Layout : public KestrumFixture {
 protected:
  void SetUp() override { Start(); }

  static void ExpectRow(const toolkit::TControl& control, const TRow& row) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(control.Bounds(), row.bounds);
    EXPECT_EQ(control.EffectiveFont(), row.font);
    if (row.caption != nullptr) {
      EXPECT_EQ(control.Caption(), row.caption);
    }
    if (row.tab_order >= 0) {
      EXPECT_EQ(control.TabOrder(), row.tab_order);
    }
  }

  // Position of `control` among its parent's children: creation order.
  static size_t CreationIndex(const toolkit::TControl& control) {
    const auto& siblings = control.Parent()->Children();
    return static_cast<size_t>(std::find(siblings.begin(), siblings.end(), &control) -
                               siblings.begin());
  }
};

TEST_F(Layout, MainWindowControlsStandWhereTheTableSays) {
  const TFont window_font = Font(kGothic, -15, toolkit::clWindowText, true);
  const TFont caption = Font(kGothic, -15, toolkit::clBlue, true);
  const TFont small = Font(kGothic, -12, toolkit::clMaroon, true);
  const TFont box = Font(kPGothic, -16, toolkit::clWindowText, true);
  const std::vector<std::pair<const toolkit::TControl*, TRow>> rows = {
      {form->lbl_host, {"lbl_host", {5, 12, 60, 15}, caption, "サーバ", -1}},
      {form->lbl_time, {"lbl_time", {5, 39, 60, 15}, caption, "時 刻", -1}},
      {form->lbl_offset, {"lbl_offset", {5, 66, 60, 15}, caption, "誤 差", -1}},
      {form->LibLabel1, {"LibLabel1", {125, 133, 172, 15}, small, "秒後に、自動時刻設定する", -1}},
      {form->LibLabel2, {"LibLabel2", {14, 133, 55, 15}, small, "起動時", -1}},
      {form->edt_hostbox, {"edt_hostbox", {72, 7, 234, 24}, box, nullptr, 7}},
      {form->edt_hostname,
       {"edt_hostname",
        {72, 8, 215, 24},
        Font(kGothic, -16, toolkit::clFuchsia, true),
        nullptr,
        0}},
      {form->edt_time, {"edt_time", {72, 35, 234, 24}, box, nullptr, 1}},
      {form->btn_get, {"btn_get", {15, 95, 90, 30}, window_font, "時刻取得", 3}},
      {form->btn_set, {"btn_set", {111, 95, 90, 30}, window_font, "誤差設定", 4}},
      {form->edt_offset, {"edt_offset", {72, 62, 234, 24}, box, nullptr, 2}},
      {form->btn_sync, {"btn_sync", {207, 95, 90, 30}, window_font, "同　期", 5}},
      {form->StatusBar, {"StatusBar", {0, 153, 311, 19}, window_font, nullptr, -1}},
      {form->StartTime,
       {"StartTime",
        {73, 130, 49, 20},
        Font(kGothic, -12, toolkit::clWindowText, true),
        nullptr,
        8}},
  };
  for (const auto& [control, row] : rows) ExpectRow(*control, row);

  EXPECT_EQ(form->Caption(), "Kestrum");
  EXPECT_EQ(form->ClientWidth(), 311);
  EXPECT_EQ(form->ClientHeight(), 172);
  EXPECT_EQ(form->BorderStyle(), toolkit::TFormBorderStyle::bsSingle);
  EXPECT_FALSE(form->BorderIcons().minimize);
  EXPECT_FALSE(form->BorderIcons().maximize);
  EXPECT_EQ(form->Position(), toolkit::TPosition::poScreenCenter);
  EXPECT_EQ(form->Color(), toolkit::clBtnFace);
  EXPECT_EQ(form->Font(), window_font);
}

TEST_F(Layout, MainWindowLabelsAndDisplayBoxes) {
  for (const toolkit::TLabel* label : {form->lbl_host, form->lbl_time, form->lbl_offset}) {
    EXPECT_EQ(label->Alignment(), TAlignment::taCenter) << label->Name();
    EXPECT_EQ(label->Layout(), toolkit::TTextLayout::tlCenter) << label->Name();
    EXPECT_FALSE(label->AutoSize()) << label->Name();
  }
  EXPECT_EQ(form->LibLabel1->Alignment(), TAlignment::taLeftJustify);
  EXPECT_EQ(form->LibLabel2->Alignment(), TAlignment::taRightJustify);
  for (const toolkit::TLabel* label : {form->LibLabel1, form->LibLabel2}) {
    EXPECT_EQ(label->Layout(), toolkit::TTextLayout::tlCenter) << label->Name();
    EXPECT_FALSE(label->AutoSize()) << label->Name();
  }
  for (const toolkit::TEdit* box : {form->edt_time, form->edt_offset}) {
    EXPECT_TRUE(box->ReadOnly()) << box->Name();
    EXPECT_FALSE(box->Enabled()) << box->Name();
  }
  EXPECT_EQ(form->edt_time->Hint(), "Local time");
  EXPECT_TRUE(form->edt_time->ShowHint());
}

TEST_F(Layout, HostNameEditCoversTheListButLeavesItsButton) {
  const TBounds edit = form->edt_hostname->Bounds();
  const TBounds list = form->edt_hostbox->Bounds();
  EXPECT_GT(CreationIndex(*form->edt_hostname), CreationIndex(*form->edt_hostbox));
  EXPECT_EQ(edit.left, list.left);
  EXPECT_EQ(edit.top, list.top + 1);
  EXPECT_EQ(list.width - edit.width, 19);
}

TEST_F(Layout, ListsStatusBarAndTimer) {
  EXPECT_EQ(form->edt_hostbox->Items().size(), 13u);
  EXPECT_EQ(form->edt_hostbox->Style(), toolkit::TComboBoxStyle::csDropDownList);
  EXPECT_EQ(form->edt_hostbox->DropDownCount(), 15);
  EXPECT_EQ(form->edt_hostbox->ItemHeight(), 16);
  std::vector<std::string> seconds{""};
  for (int s = 1; s <= 30; ++s) seconds.push_back(std::to_string(s));
  EXPECT_EQ(form->StartTime->Items(), seconds);
  EXPECT_EQ(form->StartTime->Style(), toolkit::TComboBoxStyle::csDropDownList);
  EXPECT_EQ(form->StartTime->ItemHeight(), 12);
  EXPECT_FALSE(form->StartTime->TabStop());
  ASSERT_EQ(form->StatusBar->Panels().size(), 1u);
  EXPECT_EQ(form->StatusBar->Panels()[0].width, 50);
  EXPECT_FALSE(form->StatusBar->SizeGrip());
  EXPECT_FALSE(form->Timer->Enabled());
  EXPECT_EQ(form->Timer->Interval(), 10000u);
}

TEST_F(Layout, TabVisitsTheEnabledStopsInTableOrder) {
  form->Show();
  std::vector<const toolkit::TControl*> stops;
  for (const toolkit::TControl* c : form->Children()) {
    if (c->TabStop() && c->CanFocus()) stops.push_back(c);
  }
  std::stable_sort(stops.begin(), stops.end(),
                   [](const auto* a, const auto* b) { return a->TabOrder() < b->TabOrder(); });
  std::vector<std::string> names;
  for (const auto* c : stops) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"edt_hostname", "btn_get", "btn_set", "btn_sync",
                                             "edt_hostbox"}));
}

TEST_F(Layout, ProgressWindowControlsStandWhereTheTableSays) {
  const std::vector<std::pair<const toolkit::TControl*, TRow>> rows = {
      {cmd->LibPanel1,
       {"LibPanel1", {0, 0, 263, 99}, Font(kPGothic, -16, toolkit::clBlue, true), nullptr, 0}},
      {cmd->LibPanel3,
       {"LibPanel3", {5, 68, 251, 22}, Font(kGothic, -15, toolkit::clGreen, true), " ", 0}},
      {cmd->LibPanel2,
       {"LibPanel2",
        {5, 8, 251, 17},
        Font(kPGothic, -19, toolkit::clBlue, true),
        "Kestrum取得中",
        1}},
      {cmd->CancelBtn,
       {"CancelBtn", {93, 45, 74, 21}, Font(kPGothic, -13, toolkit::clBlack, true), "中　止", 2}},
      {cmd->LibPanel4,
       {"LibPanel4", {5, 27, 251, 16}, Font(kPGothic, -15, toolkit::clRed, false), " ", 3}},
  };
  for (const auto& [control, row] : rows) ExpectRow(*control, row);
  for (const toolkit::TControl* line : {cmd->LibPanel3, cmd->LibPanel2, cmd->LibPanel4}) {
    EXPECT_EQ(line->Parent(), cmd->LibPanel1) << line->Name();
    EXPECT_EQ(line->EffectiveColor(), toolkit::clYellow) << line->Name();
  }
  EXPECT_FALSE(cmd->CancelBtn->Enabled());
  EXPECT_EQ(cmd->ClientWidth(), 263);
  EXPECT_EQ(cmd->ClientHeight(), 99);
  EXPECT_EQ(cmd->BorderStyle(), toolkit::TFormBorderStyle::bsNone);
  EXPECT_EQ(cmd->FormStyle(), toolkit::TFormStyle::fsStayOnTop);
  EXPECT_EQ(cmd->Position(), toolkit::TPosition::poScreenCenter);
  EXPECT_EQ(cmd->Color(), toolkit::clPurple);
  EXPECT_EQ(cmd->Font(), Font(kPGothic, -12, toolkit::clWindowText, false));
  EXPECT_FALSE(cmd->Visible());
}

// Width in pixels of `text` in a fixed-pitch font whose em is `em` pixels: a double-byte
// character is one em wide, a single-byte one half an em (rounded up); bold adds a pixel to
// each character, as the system's emboldening of a font without a bold face does.
int FixedPitchWidth(const std::string& text, int em, bool bold) {
  int width = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool wide = base::ByteTypeAt(text, i) == base::TByteType::mbLeadByte;
    if (base::ByteTypeAt(text, i) == base::TByteType::mbTrailByte) continue;
    width += (wide ? em : (em + 1) / 2) + (bold ? 1 : 0);
  }
  return width;
}

TEST_F(Layout, LongestStatusTextsFitBothStatusLines) {
  // Border and part edge of the status bar on each side.
  constexpr int kStatusBarMargin = 4;
  const toolkit::TFont bar_font = form->StatusBar->EffectiveFont();
  const toolkit::TFont line_font = cmd->LibPanel3->EffectiveFont();
  ASSERT_EQ(bar_font.name, kGothic);  // the estimate assumes the fixed-pitch font
  ASSERT_EQ(line_font.name, kGothic);
  const int bar_room = form->StatusBar->Bounds().width - 2 * kStatusBarMargin;
  const int line_room = cmd->LibPanel3->Bounds().width;
  for (const std::string text : {"タイムサーバを検索します(13)", "インターネット接続待ち(99)",
                                 "時刻を -86400秒 修正しました", "タイムサーバ接続中です"}) {
    SCOPED_TRACE(text);
    EXPECT_LE(FixedPitchWidth(text, -bar_font.height, bar_font.bold), bar_room);
    EXPECT_LE(FixedPitchWidth(text, -line_font.height, line_font.bold), line_room);
  }
  // The estimate itself: 12 double-byte and 4 single-byte characters at 15 pixels, bold.
  EXPECT_EQ(FixedPitchWidth("タイムサーバを検索します(13)", 15, true), 12 * 16 + 4 * 9);
}

}  // namespace
}  // namespace kestrum::app
