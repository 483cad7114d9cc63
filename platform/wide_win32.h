#pragma once
// What the Windows adapters hand to the wide system calls: Shift-JIS texts and UTF-8 paths as
// UTF-16, a path's folder, and an owning pointer to a COM interface.
#include <string>

#include "base/text.h"

namespace kestrum::platform {

inline std::wstring Wide(const std::u16string& text) {
  return std::wstring(text.begin(), text.end());
}

inline std::wstring Wide(const std::string& sjis) { return Wide(base::SjisToUtf16(sjis)); }

// Paths come in UTF-8.
inline std::wstring WidePath(const std::string& utf8) { return Wide(base::Utf8ToUtf16(utf8)); }

// The folder of a path with its trailing separator; empty when the path has none.
inline std::wstring FolderOf(const std::wstring& path) {
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

}  // namespace kestrum::platform
