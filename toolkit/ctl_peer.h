#pragma once
// The seam between the toolkit's control objects and a native windowing system. A control
// works on its own; while its form is shown it also has a peer that mirrors its properties
// and feeds user input back into the control's handlers. Headless, there are no peers.

#include <memory>
#include <string>

namespace kestrum::toolkit {

class TComponent;
class TForm;

// What changed on a control, so that its peer can read the new value back.
enum class TProperty {
  Text,
  Enabled,
  Visible,
  Bounds,
  Color,
  Font,
  Items,
  ItemIndex,
  ReadOnly,
  Panels,
  Timer,
  WindowState,
  DroppedDown,
  Cursor,
};

class TControlPeer {
 public:
  virtual ~TControlPeer() = default;
  virtual void Changed(TProperty property) = 0;
  virtual void SetFocus() = 0;
};

// The windowing system of the process: peers and the application services.
class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;
  // A peer for `component`, whose parent (if any) already has one; null for none.
  virtual std::unique_ptr<TControlPeer> CreatePeer(TComponent& component) = 0;
  // Handles every pending window message, then returns.
  virtual void ProcessMessages() = 0;
  // Looks for messages without taking a posted one off the queue: answers what other threads
  // and processes send (so the system sees the thread alive); no input, no handler runs.
  virtual void CheckMessages() {}
  // Runs the message loop until Terminate.
  virtual void RunMessageLoop() = 0;
  virtual void Terminate() = 0;
  // The default error report: a message box with the text.
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
  // A modal warning (exclamation icon, OK only) owned by the application's window.
  virtual void ShowWarning(const std::string& /*caption*/, const std::string& /*text*/) {}
  // A modal question (Yes and No) owned by the application's window; true for Yes.
  virtual bool AskYesNo(const std::string& /*caption*/, const std::string& /*text*/) {
    return false;
  }
  virtual void Beep() = 0;
  virtual void SetTitle(const std::string& title) = 0;
  // Hides the application's own top-level window, the one that owns the taskbar entry.
  virtual void HideTaskbarWindow() = 0;
};

// The widget set of the application in force (Application().Widgets()).
TWidgetSet& WidgetSet();

}  // namespace kestrum::toolkit
