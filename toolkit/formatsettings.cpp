#include "toolkit/formatsettings.h"

namespace kestrum::lib {

TFormatSettings& FormatSettings() {
  static TFormatSettings settings;
  return settings;
}

}  // namespace kestrum::lib
