#pragma once
// A widget set without windows that records the application services it is asked for. Each
// pump can run a test's hook (a click, a close request) as a real message would.
// Hand it to the application object: toolkit::TApplication application{fake, format_settings}.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/ctl_control.h"
#include "toolkit/ctl_form.h"
#include "toolkit/ctl_peer.h"
#include "toolkit/formatsettings.h"

namespace kestrum::fakes {

class TFakeWidgetSet final : public toolkit::TWidgetSet {
 public:
  // Records "Name:property" for every change of a control that has a peer.
  class TRecordingPeer final : public toolkit::TControlPeer {
   public:
    TRecordingPeer(TFakeWidgetSet& owner, std::string name)
        : owner_(owner), name_(std::move(name)) {}
    void Changed(toolkit::TProperty property) override {
      owner_.changes.push_back(name_ + ":" + std::to_string(static_cast<int>(property)));
    }
    void SetFocus() override { owner_.focus_requests.push_back(name_); }

   private:
    TFakeWidgetSet& owner_;
    std::string name_;
  };

  std::unique_ptr<toolkit::TControlPeer> CreatePeer(toolkit::TComponent& component) override {
    peers_created.push_back(component.Name());
    peer_components.push_back(&component);
    return std::make_unique<TRecordingPeer>(*this, component.Name());
  }
  void ProcessMessages() override {
    ++pumps;
    if (on_pump) on_pump(pumps);
  }
  void CheckMessages() override {
    if (on_check) on_check();
  }
  void RunMessageLoop() override { ++loops_run; }
  void Terminate() override { ++terminations; }
  void ShowError(const std::string&, const std::string& text) override {
    errors.push_back(text);
    if (on_error) on_error(text);
  }
  void ShowWarning(const std::string& caption, const std::string& text) override {
    warnings.push_back(caption + ":" + text);
  }
  // Answers from `answers` in turn, No once they are used up.
  bool AskYesNo(const std::string& caption, const std::string& text) override {
    questions.push_back(caption + ":" + text);
    return questions.size() <= answers.size() && answers[questions.size() - 1];
  }
  void Beep() override { ++beeps; }
  void SetTitle(const std::string& text) override { title = text; }
  void HideTaskbarWindow() override { taskbar_hidden = true; }

  std::function<void(int pump_number)> on_pump;
  std::function<void()> on_check;
  // Runs while the error report is open, as its message loop would run due messages.
  std::function<void(const std::string& text)> on_error;
  int pumps = 0;
  int loops_run = 0;
  int terminations = 0;
  int beeps = 0;
  bool taskbar_hidden = false;
  std::string title;
  std::vector<std::string> errors;
  std::vector<std::string> warnings;   // "caption:text"
  std::vector<std::string> questions;  // "caption:text"
  std::vector<bool> answers;
  std::vector<std::string> peers_created;
  // The components of those peers, in the same order; valid while they live.
  std::vector<toolkit::TComponent*> peer_components;
  std::vector<std::string> changes;
  std::vector<std::string> focus_requests;
};

// A headless application on the recording widget set, in force while it lives.
struct TFakeApplication {
  TFakeWidgetSet widgets;
  toolkit::TFormatSettings format_settings;
  toolkit::TApplication application{widgets, format_settings};
  toolkit::TApplicationOverride in_force{application};
};

}  // namespace kestrum::fakes
