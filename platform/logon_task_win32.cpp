// Logon tasks on Windows: Task Scheduler 2.0 through its COM interfaces, in the root folder.
#include <windows.h>
// After windows.h, which they need.
#include <oleauto.h>
#include <taskschd.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "platform/logon_task.h"

// The logon trigger's interface, which the toolchain's scheduler header lacks: ITrigger's
// methods, then its delay and the user whose logon starts the task.
MIDL_INTERFACE("72dade38-fae4-4b3e-baf4-5d009af02b1c")
ILogonTrigger : public ITrigger {
 public:
  virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_UserId(BSTR * user) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_UserId(BSTR user) = 0;
};
__CRT_UUID_DECL(ILogonTrigger, 0x72dade38, 0xfae4, 0x4b3e, 0xba, 0xf4, 0x5d, 0x00, 0x9a, 0xf0, 0x2b,
                0x1c)

namespace kestrum::platform {
namespace {

constexpr wchar_t kRootFolder[] = L"\\";
// The logon run ends within seconds; a hung one must not stay for the whole session.
constexpr wchar_t kTimeLimit[] = L"PT5M";
constexpr DWORD kMaxAccountName = 256;

std::wstring Wide(const std::string& sjis) {
  const std::u16string text = base::SjisToUtf16(sjis);
  return std::wstring(text.begin(), text.end());
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t end = path.find_last_of(L'\\');
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end + 1);
}

template <class T>
class TComPtr {
 public:
  TComPtr() = default;
  TComPtr(const TComPtr&) = delete;
  TComPtr& operator=(const TComPtr&) = delete;
  ~TComPtr() {
    if (p_ != nullptr) p_->Release();
  }
  T** Out() { return &p_; }
  void** OutVoid() { return reinterpret_cast<void**>(&p_); }
  T* operator->() const { return p_; }
  T* Get() const { return p_; }

 private:
  T* p_ = nullptr;
};

class TBstr {
 public:
  explicit TBstr(const std::wstring& text) : bstr_(SysAllocString(text.c_str())) {}
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  ~TBstr() { SysFreeString(bstr_); }
  operator BSTR() const { return bstr_; }

 private:
  BSTR bstr_;
};

// "DOMAIN\user" of this process's token; empty when it cannot be read.
std::wstring ThisUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  const bool read =
      size != 0 && GetTokenInformation(token, TokenUser, buffer.data(), size, &size) != FALSE;
  CloseHandle(token);
  if (!read) return {};
  const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
  wchar_t name[kMaxAccountName] = {};
  wchar_t domain[kMaxAccountName] = {};
  DWORD name_size = kMaxAccountName;
  DWORD domain_size = kMaxAccountName;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, user->User.Sid, name, &name_size, domain, &domain_size, &use)) {
    return {};
  }
  return std::wstring(domain) + L"\\" + name;
}

// The scheduler's root folder; null when the service cannot be reached.
bool RootFolder(TComPtr<ITaskService>& service, TComPtr<ITaskFolder>& folder) {
  if (FAILED(CoCreateInstance(__uuidof(TaskScheduler), nullptr, CLSCTX_INPROC_SERVER,
                              __uuidof(ITaskService), service.OutVoid()))) {
    return false;
  }
  VARIANT none;
  VariantInit(&none);
  if (FAILED(service->Connect(none, none, none, none))) return false;
  return SUCCEEDED(service->GetFolder(TBstr(kRootFolder), folder.Out()));
}

bool Describe(ITaskDefinition* task, const std::wstring& user, const std::wstring& target,
              const std::wstring& arguments) {
  TComPtr<IPrincipal> principal;
  if (FAILED(task->get_Principal(principal.Out())) || FAILED(principal->put_UserId(TBstr(user))) ||
      FAILED(principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN)) ||
      FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) {
    return false;
  }
  TComPtr<ITaskSettings> settings;
  if (FAILED(task->get_Settings(settings.Out())) ||
      FAILED(settings->put_DisallowStartIfOnBatteries(VARIANT_FALSE)) ||
      FAILED(settings->put_StopIfGoingOnBatteries(VARIANT_FALSE)) ||
      FAILED(settings->put_ExecutionTimeLimit(TBstr(kTimeLimit)))) {
    return false;
  }
  TComPtr<ITriggerCollection> triggers;
  TComPtr<ITrigger> trigger;
  TComPtr<ILogonTrigger> logon;
  if (FAILED(task->get_Triggers(triggers.Out())) ||
      FAILED(triggers->Create(TASK_TRIGGER_LOGON, trigger.Out())) ||
      FAILED(trigger->QueryInterface(__uuidof(ILogonTrigger), logon.OutVoid())) ||
      FAILED(logon->put_UserId(TBstr(user)))) {
    return false;
  }
  TComPtr<IActionCollection> actions;
  TComPtr<IAction> action;
  TComPtr<IExecAction> exec;
  return SUCCEEDED(task->get_Actions(actions.Out())) &&
         SUCCEEDED(actions->Create(TASK_ACTION_EXEC, action.Out())) &&
         SUCCEEDED(action->QueryInterface(__uuidof(IExecAction), exec.OutVoid())) &&
         SUCCEEDED(exec->put_Path(TBstr(target))) &&
         SUCCEEDED(exec->put_Arguments(TBstr(arguments))) &&
         SUCCEEDED(exec->put_WorkingDirectory(TBstr(FolderOf(target))));
}

class TWin32LogonTasks final : public TLogonTaskPort {
 public:
  bool Register(const std::string& name, const std::string& target,
                const std::string& arguments) override {
    const std::wstring user = ThisUser();
    TComPtr<ITaskService> service;
    TComPtr<ITaskFolder> folder;
    TComPtr<ITaskDefinition> task;
    if (user.empty() || !RootFolder(service, folder) || FAILED(service->NewTask(0, task.Out())) ||
        !Describe(task.Get(), user, Wide(target), Wide(arguments))) {
      return false;
    }
    VARIANT none;
    VariantInit(&none);
    TComPtr<IRegisteredTask> registered;
    return SUCCEEDED(
        folder->RegisterTaskDefinition(TBstr(Wide(name)), task.Get(), TASK_CREATE_OR_UPDATE, none,
                                       none, TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out()));
  }

  bool Remove(const std::string& name) override {
    if (!Exists(name)) return true;
    TComPtr<ITaskService> service;
    TComPtr<ITaskFolder> folder;
    return RootFolder(service, folder) && SUCCEEDED(folder->DeleteTask(TBstr(Wide(name)), 0));
  }

  bool Exists(const std::string& name) override {
    TComPtr<ITaskService> service;
    TComPtr<ITaskFolder> folder;
    TComPtr<IRegisteredTask> task;
    return RootFolder(service, folder) && SUCCEEDED(folder->GetTask(TBstr(Wide(name)), task.Out()));
  }
};

}  // namespace

TLogonTaskPort& SystemLogonTasks() {
  static TWin32LogonTasks tasks;
  return tasks;
}

}  // namespace kestrum::platform
