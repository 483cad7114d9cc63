#pragma once
// Minimal windowing seam: the application object and a top-level window. Texts are Shift-JIS.

#include <memory>
#include <string>

namespace kestrum::platform {

class TWindow {
 public:
  explicit TWindow(const std::string& caption);
  ~TWindow();
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;

  struct Native;
  Native& native() { return *native_; }

 private:
  std::unique_ptr<Native> native_;
};

class TApplication {
 public:
  TApplication();
  ~TApplication();
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;

  void SetTitle(const std::string& title);
  // Shows `main_window` and runs the message loop until it closes; returns the exit code.
  int Run(TWindow& main_window);

 private:
  std::string title_;
};

}  // namespace kestrum::platform
