#pragma once
// A headless edit control on a fixed day (2026-12-08), with beeps counted, and a bound field
// that records what the control does with it.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "fakes/fake_app.h"
#include "fakes/fake_clock.h"
#include "lib/libedit.h"

namespace kestrum::lib {

// Records the calls the edit makes on its bound field.
class TFakeField final : public TEditField {
 public:
  bool editing = false;
  int edits = 0;
  int size = 0;
  int throw_on_set = 0;  // the n-th SetText throws
  int sets = 0;
  std::string text, display;
  bool Editing() const override { return editing; }
  void Edit() override {
    ++edits;
    editing = true;
  }
  bool CanModify() const override { return true; }
  int Size() const override { return size; }
  bool numeric = false;
  std::string display_format;
  bool IsNumeric() const override { return numeric; }
  void SetDisplayFormat(const std::string& format) override { display_format = format; }
  std::string Text() const override { return text; }
  void SetText(const std::string& value) override {
    if (++sets == throw_on_set) throw std::runtime_error("refused");
    text = size > 0 ? value.substr(0, static_cast<size_t>(size)) : value;
  }
  std::string DisplayText() const override { return display.empty() ? text : display; }
  std::string EditText() const override { return text; }
};

class LibEditFixture : public ::testing::Test {
 protected:
  TLibEdit& Field(TEditType type) {
    edit.SetEditType(type);
    return edit;
  }
  int Beeps() const { return widgets.beeps; }

  fakes::TFakeClock clock{base::EncodeDate(2026, 12, 8) + 0.5};
  fakes::TFakeWidgetSet widgets;
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{widgets, format_settings};
  toolkit::TApplicationOverride application_guard{application};
  TLibEdit edit{nullptr, nullptr, clock};
};

}  // namespace kestrum::lib
