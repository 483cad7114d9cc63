#pragma once
// The maker's controls as the windows of this program use them. The edit is still a thin
// class over the toolkit's edit; the others are the maker's library's own.

#include <string>
#include <string_view>

#include "lib/ctl_stdctrls.h"
#include "lib/libbtbtn.h"
#include "lib/libcbox.h"
#include "lib/liblabel_panel.h"

namespace kestrum::app {

class TLibEdit : public lib::TEdit {
 public:
  using lib::TEdit::TEdit;
  // The text a free-text field shows for `text`: trailing half-width and full-width blanks
  // removed.
  std::string NormalizeText(std::string_view text) const;
};

using lib::TLibBtBtn;
using lib::TLibCBox;
using lib::TLibLabel;
using lib::TLibPanel;

}  // namespace kestrum::app
