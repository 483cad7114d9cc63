#include "lib/libedit.h"

#include "base/errors.h"
#include "lib/libadd_text.h"
#include "toolkit/dateformat.h"
#include "toolkit/formatsettings.h"

namespace kestrum::lib {
namespace {

constexpr std::string_view kDateTextFormat = "yyyy/mm/dd";
constexpr std::string_view kNumberPattern = "###,###,###,###,##0.####";
constexpr std::string_view kUnsignedPattern = "00000000";
constexpr std::string_view kWesternDatePattern = "yyyy/mm/dd";
constexpr std::string_view kEraDatePattern = "gg ee/mm/dd";
constexpr std::string_view kKanjiDatePattern = "gg ee\"年\" mm\"月\" dd\"日\"";
constexpr std::string_view kCodePattern = "000-000-000";
constexpr std::string_view kTimePattern = "00:00:00";
// Date patterns are shorter than the dates they format ("gg" and "ee" grow).
constexpr int kDateLengthExtra = 5;

// The era that began on 2019-05-01; a system that does not know it names the previous one.
constexpr int kNewEraYear = 2019, kNewEraMonth = 5, kNewEraDay = 1;
constexpr int kFirstEraYear = 1868;
constexpr int kLastYearOldSystem = 2087;
constexpr int kLastYear = 2117;

// House style font: 12 points at 96 pixels per inch.
constexpr int kHouseFontHeight = -16;
constexpr int kHouseHeight = 24;

std::string_view PatternOf(TEditType type) {
  switch (type) {
    case TEditType::Strin:
      return {};
    case TEditType::Numin:
      return kNumberPattern;
    case TEditType::NuminNo:
      return kUnsignedPattern;
    case TEditType::Dayin:
      return kWesternDatePattern;
    case TEditType::DayinWa:
      return kEraDatePattern;
    case TEditType::DayinBi:
      return kKanjiDatePattern;
    case TEditType::StrinNo:
    case TEditType::Codein:
      return kCodePattern;
    case TEditType::Timein:
    case TEditType::TimeinH:
      return kTimePattern;
  }
  return {};
}

std::string EraNameOfNewEra() {
  try {
    return toolkit::FormatDateTime("gg", base::EncodeDate(kNewEraYear, kNewEraMonth, kNewEraDay));
  } catch (const base::EConvertError&) {
    return {};
  }
}

}  // namespace

TLibEdit::TLibEdit(toolkit::TComponent* owner, toolkit::TWinControl* parent,
                   platform::TClockPort& clock)
    : toolkit::TEdit(owner, parent), clock_(clock) {
  // Every date conversion of the program reads this format.
  toolkit::FormatSettings().ShortDateFormat = std::string(kDateTextFormat);
  enter_color_ = Color();
  normal_color_ = Color();
  ime_mode_ = TImeMode::imClose;
  using_text_.clear();
  SetSystemEraName(EraNameOfNewEra());
  SetOriginalStyle(true);
}

void TLibEdit::SetSystemEraName(const std::string& name) {
  system_era_name_ = name;
  min_year_ = kFirstEraYear;
  max_year_ = DbcsPos("平", name) != 0 ? kLastYearOldSystem : kLastYear;
}

void TLibEdit::SetEditType(TEditType value) {
  if (value == edit_type_) return;
  edit_type_ = value;
  SetUsingText(std::string(PatternOf(value)));
  SetAlignment(value == TEditType::Numin ? toolkit::TAlignment::taRightJustify
                                         : toolkit::TAlignment::taLeftJustify);
}

void TLibEdit::SetUsingText(const std::string& value) {
  if (value == using_text_) return;
  using_text_ = value;
  int length = static_cast<int>(value.size());
  if (IsDateType()) length += kDateLengthExtra;
  SetMaxLength(length);
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) peer->Repaint();
}

void TLibEdit::SetAlignment(toolkit::TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) peer->Repaint();
}

void TLibEdit::SetOriginalStyle(bool value) {
  if (value == original_style_) return;
  original_style_ = value;
  if (value) ApplyHouseStyle();
}

void TLibEdit::ApplyHouseStyle() {
  enter_key_next_field_ = true;
  over_write_ = false;
  SetAlignment(toolkit::TAlignment::taLeftJustify);
  auto_select_ = true;
  auto_clear_ = false;
  auto_release_ = false;
  entering_cursor_top_ = false;
  check_beep_ = true;
  next_prev_key_ = true;
  SetColor(toolkit::clWindow);
  ctl3d_ = true;
  enter_color_ = toolkit::clWindow;
  toolkit::TFont font = Font();
  font.height = kHouseFontHeight;
  SetFont(font);
  const toolkit::TBounds& b = Bounds();
  SetBounds(b.left, b.top, b.width, kHouseHeight);
  if (edit_type_ == TEditType::Numin) {
    SetAlignment(toolkit::TAlignment::taRightJustify);
  } else if (edit_type_ != TEditType::Strin) {
    SetAlignment(toolkit::TAlignment::taLeftJustify);
  }
}

void TLibEdit::Beep() const {
  if (check_beep_) toolkit::WidgetSet().Beep();
}

bool TLibEdit::IsNumberType() const {
  switch (edit_type_) {
    case TEditType::Numin:
    case TEditType::NuminNo:
    case TEditType::StrinNo:
    case TEditType::Codein:
    case TEditType::Timein:
    case TEditType::TimeinH:
      return true;
    default:
      return false;
  }
}

bool TLibEdit::IsDateType() const {
  return edit_type_ == TEditType::Dayin || edit_type_ == TEditType::DayinWa ||
         edit_type_ == TEditType::DayinBi;
}

int TLibEdit::SelStart() const {
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) return peer->SelStart();
  return sel_start_;
}

int TLibEdit::SelLength() const {
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) return peer->SelLength();
  return sel_length_;
}

void TLibEdit::SetSelection(int start, int length) {
  // Not held to the text's length: a native edit moves the caret before it reports the change.
  sel_start_ = start < 0 ? 0 : start;
  sel_length_ = length < 0 ? 0 : length;
  if (auto* peer = dynamic_cast<TLibEditPeer*>(Peer())) peer->SetSelection(sel_start_, sel_length_);
}

}  // namespace kestrum::lib
