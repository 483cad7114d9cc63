#include "lib/ctl_form.h"

namespace kestrum::lib {
namespace {

TApplication* current_application = nullptr;
TWidgetSet* current_widget_set = nullptr;

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

}  // namespace

TWidgetSet& WidgetSet() {
  static THeadlessWidgetSet headless;
  return current_widget_set != nullptr ? *current_widget_set : headless;
}

TWidgetSetOverride::TWidgetSetOverride(TWidgetSet& widget_set) : previous_(current_widget_set) {
  current_widget_set = &widget_set;
}

TWidgetSetOverride::~TWidgetSetOverride() { current_widget_set = previous_; }

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

TApplication::~TApplication() {
  while (!forms_.empty()) forms_.pop_back();
}

void TApplication::SetTitle(const std::string& title) {
  title_ = title;
  WidgetSet().SetTitle(title);
}

void TApplication::Run() {
  if (main_form_ == nullptr) return;
  if (show_main_form_) main_form_->Show();
  if (!terminated_) WidgetSet().RunMessageLoop();
  while (!forms_.empty()) forms_.pop_back();
  main_form_ = nullptr;
}

void TApplication::ProcessMessages() { WidgetSet().ProcessMessages(); }

void TApplication::Terminate() {
  terminated_ = true;
  WidgetSet().Terminate();
}

void TApplication::HandleException(const std::exception& error) {
  WidgetSet().ShowError(title_, error.what());
}

void TApplication::HideTaskbarWindow() { WidgetSet().HideTaskbarWindow(); }

TApplication& Application() {
  static TApplication process_application;
  return current_application != nullptr ? *current_application : process_application;
}

TApplicationOverride::TApplicationOverride(TApplication& application)
    : previous_(current_application) {
  current_application = &application;
}

TApplicationOverride::~TApplicationOverride() { current_application = previous_; }

}  // namespace kestrum::lib
