#include "app/time_format.h"

#include <algorithm>
#include <cctype>

#include "base/sjis_bytes.h"
#include "toolkit/formatsettings.h"

namespace kestrum::app {
namespace {

size_t RunLength(std::string_view text, size_t at) {
  size_t end = at;
  while (end < text.size() && text[end] == text[at]) ++end;
  return end - at;
}

// Text the toolkit shows as it is. Its literals end at the next quote of the same kind and know
// no escape, so a double quote goes in single quotes and everything else in double quotes.
void AppendLiteral(std::string_view text, std::string& out) {
  // Even an empty one: it keeps the tokens on its two sides apart ("mm''m").
  if (text.empty()) out += "\"\"";
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '"') {
      out += "'\"'";
      ++i;
      continue;
    }
    const size_t end = std::min(text.find('"', i), text.size());
    out += '"';
    out += text.substr(i, end - i);
    out += '"';
    i = end;
  }
}

// A Windows literal: 'text', with '' standing for one quote.
size_t CopyQuoted(std::string_view format, size_t at, std::string& out) {
  size_t i = at + 1;
  std::string literal;
  while (i < format.size()) {
    if (format[i] == '\'') {
      if (i + 1 < format.size() && format[i + 1] == '\'') {
        literal += '\'';
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    literal += format[i++];
  }
  AppendLiteral(literal, out);
  return i;
}

}  // namespace

std::string ToolkitTimeFormat(std::string_view windows_format) {
  std::string out;
  for (size_t i = 0; i < windows_format.size();) {
    const char c = windows_format[i];
    if (base::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < windows_format.size()) {
      out += windows_format.substr(i, 2);
      i += 2;
      continue;
    }
    if (c == '\'') {
      i = CopyQuoted(windows_format, i, out);
      continue;
    }
    const size_t run = RunLength(windows_format, i);
    const bool two = run >= 2;
    // "h" is the 12-hour clock with or without a marker; the toolkit's own "h" follows the
    // markers, so it stands for "H" only.
    if (c == 'H') {
      out += two ? "hh" : "h";
    } else if (c == 'h') {
      out += two ? "ii" : "i";
    } else if (c == 'm') {
      out += two ? "nn" : "n";
    } else if (c == 's') {
      out += two ? "ss" : "s";
    } else if (c == 't') {
      out += "ampm";
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '"') {
      AppendLiteral(windows_format.substr(i, run), out);
    } else {
      out += windows_format.substr(i, run);
    }
    i += run;
  }
  return out;
}

void ApplyUserTimeFormat(toolkit::TFormatSettings& settings, std::string_view windows_format,
                         const std::string& am, const std::string& pm) {
  settings.LongTimeFormat = ToolkitTimeFormat(windows_format);
  settings.TimeAMString = am;
  settings.TimePMString = pm;
}

}  // namespace kestrum::app
