#pragma once
// A headless edit control on a fixed day (2026-12-08), with beeps counted.

#include <gtest/gtest.h>

#include "fakes/fake_app.h"
#include "fakes/fake_clock.h"
#include "lib/libedit.h"

namespace kestrum::lib {

class LibEditFixture : public ::testing::Test {
 protected:
  TLibEdit& Field(TEditType type) {
    edit.SetEditType(type);
    return edit;
  }
  int Beeps() const { return widgets.beeps; }

  LibEditFixture() { edit.SetClock(clock); }

  fakes::TFakeClock clock{EncodeDate(2026, 12, 8) + 0.5};
  fakes::TFakeWidgetSet widgets;
  TFormatSettings format_settings;
  TApplication application{widgets, format_settings};
  TApplicationOverride application_guard{application};
  TLibEdit edit{nullptr, nullptr};
};

}  // namespace kestrum::lib
