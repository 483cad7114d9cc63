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

  fakes::TFakeClock clock{EncodeDate(2026, 12, 8) + 0.5};
  platform::TClockOverride clock_guard{clock};
  fakes::TFakeWidgetSet widgets;
  TWidgetSetOverride widget_guard{widgets};
  TLibEdit edit{nullptr, nullptr};
};

}  // namespace kestrum::lib
