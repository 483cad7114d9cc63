#pragma once
// The maker's controls as the windows of this program use them, for now thin classes over the
// plain controls of the toolkit. Only what the application reads and writes is here; the
// house styles, navigation and formatting come with the maker's library.

#include <string>
#include <string_view>

#include "lib/ctl_stdctrls.h"
#include "lib/libedit.h"

namespace kestrum::app {

using TLibEdit = lib::TLibEdit;

class TLibCBox : public lib::TComboBox {
 public:
  using lib::TComboBox::TComboBox;
};

class TLibBtBtn : public lib::TButton {
 public:
  using lib::TButton::TButton;
};

class TLibLabel : public lib::TLabel {
 public:
  using lib::TLabel::TLabel;
};

class TLibPanel : public lib::TPanel {
 public:
  using lib::TPanel::TPanel;
};

}  // namespace kestrum::app
