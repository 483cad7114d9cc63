#pragma once
// The edit control's typed-character filters, as pure functions of the field's type, pattern
// and caret. Characters arrive one byte at a time; a double-byte character as its lead byte,
// then its trail byte.

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
// A free-text field drops the byte when the caret stands at or past `byte_limit` (0 = none).
TKeyVerdict FilterTypedByte(TEditType type, std::string_view using_text, int byte_limit, int caret,
                            char& key);

// The verdict on a whole typed character (one or two bytes) at byte position `caret`: every
// byte must be accepted, and a free-text field takes it only when all of it fits in the limit.
TKeyVerdict FilterTypedCharacter(TEditType type, std::string_view using_text, int byte_limit,
                                 int caret, std::string_view character);

// Bytes of the character that starts at byte `pos` of `text`: 0 at the end, 2 for a
// double-byte character (1 when its trail byte is missing), else 1.
int CharacterBytesAt(std::string_view text, int pos);

}  // namespace kestrum::lib
