// Logon tasks on Windows: Task Scheduler 2.0 through its COM interfaces, in the root folder;
// the task is handed over in the scheduler's XML format.
#include <windows.h>
// After windows.h, which they need.
#include <oleauto.h>
#include <taskschd.h>

#include <string>
#include <vector>

#include "platform/logon_task.h"
#include "platform/wide_win32.h"

namespace kestrum::platform {
namespace {

constexpr wchar_t kRootFolder[] = L"\\";
// The logon run ends within seconds; a hung one must not stay for the whole session.
constexpr wchar_t kTimeLimit[] = L"PT5M";
constexpr DWORD kMaxAccountName = 256;

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

// The task in the scheduler's own format: at this user's logon, only while the user is logged
// on (the progress window shows), with the highest rights the user has, on battery too. The
// control characters stand for the values, in TaskXml's order.
constexpr wchar_t kTaskTemplate[] =
    L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\n"
    L" <Triggers><LogonTrigger><Enabled>true</Enabled><UserId>\x01</UserId></LogonTrigger>"
    L"</Triggers>\n"
    L" <Principals><Principal id=\"Author\"><UserId>\x01</UserId>"
    L"<LogonType>InteractiveToken</LogonType><RunLevel>HighestAvailable</RunLevel></Principal>"
    L"</Principals>\n"
    L" <Settings><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>"
    L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
    L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
    L"<ExecutionTimeLimit>\x02</ExecutionTimeLimit><Enabled>true</Enabled></Settings>\n"
    L" <Actions Context=\"Author\"><Exec><Command>\x03</Command><Arguments>\x04</Arguments>"
    L"<WorkingDirectory>\x05</WorkingDirectory></Exec></Actions>\n"
    L"</Task>\n";

std::wstring TaskXml(const std::wstring& user, const std::wstring& target,
                     const std::wstring& arguments) {
  const std::wstring values[] = {user, kTimeLimit, target, arguments, FolderOf(target)};
  std::wstring xml;
  for (const wchar_t* c = kTaskTemplate; *c != L'\0'; ++c) {
    if (*c > L'\x05') {
      xml += *c;
      continue;
    }
    for (const wchar_t v : values[*c - 1]) {
      if (v == L'&') {
        xml += L"&amp;";
      } else if (v == L'<') {
        xml += L"&lt;";
      } else if (v == L'>') {
        xml += L"&gt;";
      } else {
        xml += v;
      }
    }
  }
  return xml;
}

class TWin32LogonTasks final : public TLogonTaskPort {
 public:
  bool Register(const std::string& name, const std::string& target,
                const std::string& arguments) override {
    const std::wstring user = ThisUser();
    TComPtr<ITaskService> service;
    TComPtr<ITaskFolder> folder;
    if (user.empty() || !RootFolder(service, folder)) return false;
    VARIANT none;
    VariantInit(&none);
    TComPtr<IRegisteredTask> registered;
    return SUCCEEDED(folder->RegisterTask(
        TBstr(Wide(name)), TBstr(TaskXml(user, WidePath(target), Wide(arguments))),
        TASK_CREATE_OR_UPDATE, none, none, TASK_LOGON_INTERACTIVE_TOKEN, none, registered.Out()));
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
