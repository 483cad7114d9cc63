#pragma once
// The edit control's typed-character filters, as pure functions of the field's type, pattern
// and length. A double-byte character is judged whole: both its bytes are tested.

#include <string>
#include <string_view>

#include "lib/libedit.h"

namespace kestrum::lib {

enum class TKeyVerdict {
  Accept,
  Reject,  // with a beep
  Drop,    // silently
};

// The verdict on one typed byte (32-255) for a field of `type` whose pattern is `using_text`.
// `key` may be turned into "?" (a separator the pattern has no use for), which is rejected.
// A free-text field drops the byte when the `kept` bytes before it already fill `byte_limit`
// (0 = none).
TKeyVerdict FilterTypedByte(TEditType type, std::string_view using_text, int byte_limit, int kept,
                            char& key);

// The verdict on a whole typed character (one or two bytes) beside `kept` bytes of text that
// stay: every byte must be accepted, and a free-text field takes it only when the text with
// all of it fits in the limit.
TKeyVerdict FilterTypedCharacter(TEditType type, std::string_view using_text, int byte_limit,
                                 int kept, std::string_view character);

// Bytes of the character that starts at byte `pos` of `text`: 0 at the end, 2 for a
// double-byte character (1 when its trail byte is missing), else 1.
int CharacterBytesAt(std::string_view text, int pos);

}  // namespace kestrum::lib
