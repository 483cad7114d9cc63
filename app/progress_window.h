#pragma once
// The progress window as the main window sees it: a status line, a host line, a cancel button,
// and being shown in a colour. The main window keeps a window that does nothing until the real
// one is attached, so a main window made on its own works the same.

#include <string>

#include "toolkit/ctl_graphics.h"

namespace kestrum::app {

class TProgressWindow {
 public:
  virtual ~TProgressWindow() = default;
  virtual void ShowStatus(const std::string& text) = 0;
  virtual void ShowHost(const std::string& host) = 0;
  virtual void EnableCancel(bool enabled) = 0;
  // Shows the window with its face painted in `color`.
  virtual void Present(toolkit::TColor color) = 0;
};

class TNoProgressWindow final : public TProgressWindow {
 public:
  void ShowStatus(const std::string&) override {}
  void ShowHost(const std::string&) override {}
  void EnableCancel(bool) override {}
  void Present(toolkit::TColor) override {}
};

}  // namespace kestrum::app
