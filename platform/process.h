#pragma once
// The running program: its executable, its arguments and the user's time format. Paths are
// UTF-8 (every file name can be told), texts Shift-JIS.

#include <string>
#include <vector>

namespace kestrum::platform {

// Full path of the executable.
std::string ExecutablePath();
// True when a file (not a folder) exists at `path`.
bool FileExists(const std::string& path);
// The separator between folders of a path: '\\' on Windows, '/' elsewhere.
char PathDelimiter();
// The command-line arguments after the program name (Shift-JIS).
std::vector<std::string> CommandLineArguments();
struct TUserTimeFormat {
  // In the platform's own notation: Windows locale tokens ("H:mm:ss", "tt h:mm:ss", quoted
  // literals); on other platforms "H:mm:ss".
  std::string long_time = "H:mm:ss";
  std::string am = "午前";  // morning and afternoon markers
  std::string pm = "午後";
};
// The user's time format; the defaults above where the platform has none.
TUserTimeFormat UserTimeFormat();

}  // namespace kestrum::platform
