#include "toolkit/ctl_form.h"

#include <algorithm>

namespace kestrum::toolkit {
namespace {

TApplication* current_application = nullptr;

// No native windows: properties live on the objects only.
class THeadlessWidgetSet final : public TWidgetSet {
 public:
  std::unique_ptr<TControlPeer> CreatePeer(TComponent&) override { return nullptr; }
  void ProcessMessages() override {}
  void RunMessageLoop() override {}
  void Terminate() override {}
  void ShowError(const std::string&, const std::string&) override {}
  void Beep() override {}
  void SetTitle(const std::string&) override {}
  void HideTaskbarWindow() override {}
};

THeadlessWidgetSet& HeadlessWidgetSet() {
  static THeadlessWidgetSet headless;
  return headless;
}

}  // namespace

TWidgetSet& WidgetSet() { return Application().Widgets(); }

TFormatSettings& FormatSettings() { return Application().FormatSettings(); }

TForm::TForm(TComponent* owner) : TWinControl(owner, nullptr) { SetVisible(false); }

TForm::~TForm() { DoDestroy(); }

void TForm::SetClientSize(int width, int height) {
  SetBounds(Bounds().left, Bounds().top, width, height);
}

void TForm::SetWindowState(TWindowState value) {
  if (value == window_state_) return;
  window_state_ = value;
  Changed(TProperty::WindowState);
}

void TForm::Show() {
  CreatePeers();
  if (Visible()) return;
  if (OnShow) OnShow();
  SetVisible(true);
}

void TForm::Hide() { SetVisible(false); }

void TForm::Close() {
  bool can_close = true;
  if (OnCloseQuery) OnCloseQuery(can_close);
  if (!can_close) return;
  Hide();
  if (Application().MainForm() == this) Application().Terminate();
}

void TForm::FocusControl(TControl* control) {
  TControl* previous = active_control_.Get();
  if (control == previous) return;
  ++focus_moves_;
  active_control_ = nullptr;
  if (previous != nullptr) {
    previous->DoExit();
    // The exit handler moved the focus on its own.
    if (active_control_.Get() != nullptr) return;
  }
  active_control_ = control;
  if (control != nullptr) control->DoEnter();
}

namespace {

// Tab stops of `container` in tab order (equal orders keep creation order), containers
// followed by their own children.
void CollectTabStops(const TWinControl& container, std::vector<TControl*>& out) {
  std::vector<TControl*> children = container.Children();
  std::stable_sort(children.begin(), children.end(), [](const TControl* a, const TControl* b) {
    return a->TabOrder() < b->TabOrder();
  });
  for (TControl* child : children) {
    if (!child->CanFocus()) continue;
    if (child->TabStop()) out.push_back(child);
    if (auto* inner = dynamic_cast<TWinControl*>(child)) CollectTabStops(*inner, out);
  }
}

}  // namespace

TControl* TForm::FindNextControl(TControl* current, bool forward) const {
  std::vector<TControl*> stops;
  CollectTabStops(*this, stops);
  if (stops.empty()) return nullptr;
  const auto n = static_cast<ptrdiff_t>(stops.size());
  const auto found = std::find(stops.begin(), stops.end(), current);
  ptrdiff_t i = found == stops.end() ? (forward ? -1 : n) : found - stops.begin();
  i = forward ? i + 1 : i - 1;
  i = (i % n + n) % n;
  return stops[static_cast<size_t>(i)] == current ? nullptr : stops[static_cast<size_t>(i)];
}

void TForm::NextDialogControl(uintptr_t wparam, intptr_t lparam) {
  if (lparam != 0) return;
  if (TControl* next = FindNextControl(active_control_.Get(), wparam == kNextControl)) {
    next->SetFocus();
  }
}

void TForm::DoCreate() {
  try {
    if (OnCreate) OnCreate();
  } catch (const std::exception& error) {
    Application().HandleException(error);
  }
}

void TForm::DoDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  if (OnDestroy) OnDestroy();
  DestroyPeers();
}

TApplication::TApplication()
    : widgets_(HeadlessWidgetSet()), format_settings_(own_format_settings_) {}

TApplication::TApplication(TWidgetSet& widgets, TFormatSettings& format_settings)
    : widgets_(widgets), format_settings_(format_settings) {}

TApplication::~TApplication() {
  while (!forms_.empty()) forms_.pop_back();
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  widgets_.SetTitle(title);
}

void TApplication::Run() {
  if (main_form_ == nullptr) return;
  if (show_main_form_) main_form_->Show();
  if (!terminated_) widgets_.RunMessageLoop();
  while (!forms_.empty()) forms_.pop_back();
  main_form_ = nullptr;
}

void TApplication::ProcessMessages() { widgets_.ProcessMessages(); }

void TApplication::Terminate() {
  terminated_ = true;
  widgets_.Terminate();
}

void TApplication::HandleException(const std::exception& error) {
  widgets_.ShowError(title_, error.what());
}

void TApplication::HideTaskbarWindow() { widgets_.HideTaskbarWindow(); }

TApplication& Application() {
  static TApplication process_application;
  return current_application != nullptr ? *current_application : process_application;
}

TApplicationOverride::TApplicationOverride(TApplication& application)
    : previous_(current_application) {
  current_application = &application;
}

TApplicationOverride::~TApplicationOverride() { current_application = previous_; }

}  // namespace kestrum::toolkit
