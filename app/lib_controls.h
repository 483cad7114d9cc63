#pragma once
// The maker's controls as the windows of this program use them.

#include "lib/libbtbtn.h"
#include "lib/libcbox.h"
#include "lib/libedit.h"
#include "lib/liblabel_panel.h"

namespace kestrum::app {

using lib::TLibBtBtn;
using lib::TLibCBox;
using lib::TLibEdit;
using lib::TLibLabel;
using lib::TLibPanel;

}  // namespace kestrum::app
