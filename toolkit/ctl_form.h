#pragma once
// Top-level windows and the application object that owns them and runs the message loop.

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/ctl_control.h"
#include "toolkit/formatsettings.h"

namespace kestrum::toolkit {

enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable };
enum class TPosition { poDesigned, poScreenCenter };
enum class TFormStyle { fsNormal, fsStayOnTop };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

struct TBorderIcons {
  bool system_menu = true;
  bool minimize = true;
  bool maximize = true;
};

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  int ClientWidth() const { return Bounds().width; }
  int ClientHeight() const { return Bounds().height; }
  void SetClientSize(int width, int height);

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle value) { border_style_ = value; }
  const TBorderIcons& BorderIcons() const { return border_icons_; }
  void SetBorderIcons(const TBorderIcons& value) { border_icons_ = value; }
  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle value) { form_style_ = value; }
  TWindowState WindowState() const { return window_state_; }
  void SetWindowState(TWindowState value);

  // Creates the native window (when a widget set has one) and makes the form visible.
  void Show();
  void Hide();
  // A close request: asks OnCloseQuery; if allowed, hides the form and, for the main form,
  // ends the application's message loop.
  void Close();

  // The control that has the focus and has run its focus entry.
  TControl* ActiveControl() const { return active_control_.Get(); }
  // Moves the focus to `control`: exit of the control that has it, then entry of the new one.
  // An exit handler may send the focus elsewhere; then that move wins.
  void FocusControl(TControl* control);
  // Counts the focus moves; a caller sees from it whether a move happened meanwhile.
  unsigned FocusMoves() const { return focus_moves_; }
  // The control after (or before) `current` in tab order, wrapping around; only visible,
  // enabled tab stops count. Null when there is none. `current` null starts from the ends.
  TControl* FindNextControl(TControl* current, bool forward) const;
  // The next-dialog-control message: wParam 0 next, 1 previous; a non-zero lParam names the
  // control itself (wParam its handle) and is not supported here.
  void NextDialogControl(uintptr_t wparam, intptr_t lparam);

  std::function<void()> OnCreate;
  std::function<void()> OnShow;
  std::function<void(bool& can_close)> OnCloseQuery;
  std::function<void()> OnDestroy;

  // Runs OnCreate; an exception that escapes it goes to the default error report.
  void DoCreate();
  // Runs OnDestroy once and drops the native windows. Derived forms call it from their own
  // destructor, while their fields still exist.
  void DoDestroy();

 private:
  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  TBorderIcons border_icons_;
  TPosition position_ = TPosition::poDesigned;
  TFormStyle form_style_ = TFormStyle::fsNormal;
  TWindowState window_state_ = TWindowState::wsNormal;
  // Expires with the control, so a destroyed control is never asked to exit.
  TComponentRef<TControl> active_control_;
  unsigned focus_moves_ = 0;
  bool destroyed_ = false;
};

// The application object: the one the toolkit keeps for the process. It holds the widget set
// that makes the native windows and the format settings every conversion reads; both are made
// by the program (or a test) and outlive it.
class TApplication {
 public:
  // Headless: no native windows, and format settings of its own.
  TApplication();
  TApplication(TWidgetSet& widgets, TFormatSettings& format_settings);
  TApplication(const TApplication&) = delete;
  TApplication& operator=(const TApplication&) = delete;
  ~TApplication();

  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& title);
  // False: the main form is not shown when the loop starts.
  bool ShowMainForm() const { return show_main_form_; }
  void SetShowMainForm(bool value) { show_main_form_ = value; }

  // Creates a form owned by the application; the first one becomes the main form.
  // Its OnCreate runs before this returns.
  template <class T, class... Args>
  T* CreateForm(Args&&... args) {
    auto form = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = form.get();
    forms_.push_back(std::move(form));
    if (main_form_ == nullptr) main_form_ = raw;
    raw->DoCreate();
    return raw;
  }
  TForm* MainForm() const { return main_form_; }
  // For a form its maker owns rather than the application.
  void SetMainForm(TForm* form) { main_form_ = form; }

  // Shows the main form (unless told not to) and runs the loop until Terminate; then frees
  // the forms, the last created first.
  void Run();
  void ProcessMessages();
  // Answers sent messages only (TWidgetSet::CheckMessages): for waits inside a handler.
  void CheckMessages() { widgets_.CheckMessages(); }
  void Terminate();
  bool Terminated() const { return terminated_; }
  // The default error report of an exception that escaped a handler.
  void HandleException(const std::exception& error);
  void HideTaskbarWindow();

  TWidgetSet& Widgets() const { return widgets_; }
  TFormatSettings& FormatSettings() const { return format_settings_; }

 private:
  TFormatSettings own_format_settings_;
  TWidgetSet& widgets_;
  TFormatSettings& format_settings_;
  std::string title_;
  bool show_main_form_ = true;
  bool terminated_ = false;
  TForm* main_form_ = nullptr;
  std::vector<std::unique_ptr<TForm>> forms_;
};

// The application of the process, or the one a test installed.
TApplication& Application();

class TApplicationOverride {
 public:
  explicit TApplicationOverride(TApplication& application);
  ~TApplicationOverride();
  TApplicationOverride(const TApplicationOverride&) = delete;
  TApplicationOverride& operator=(const TApplicationOverride&) = delete;

 private:
  TApplication* previous_;
};

}  // namespace kestrum::toolkit
