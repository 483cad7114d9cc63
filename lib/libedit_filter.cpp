#include "base/sjis_bytes.h"
#include "lib/libadd_text.h"
#include "lib/libedit_keys.h"

namespace kestrum::lib {
namespace {

// Characters each type takes; the backslash byte is the yen sign of this code page.
constexpr std::string_view kNumberKeys = "-\\0123456789,.";
constexpr std::string_view kUnsignedKeys = "-0123456789.";
constexpr std::string_view kDateKeys =
    " -/0123456789,.MTSHRmtshrＭＴＳＨＲｍｔｓｈｒ明治大正昭和平成令";
constexpr std::string_view kTimeKeys = ":0123456789";
constexpr char kRefused = '?';

// A separator the pattern does not use becomes a character no set holds.
void RefuseUnused(std::string_view using_text, std::string_view separators, char& key) {
  if (separators.find(key) != std::string_view::npos &&
      using_text.find(key) == std::string_view::npos) {
    key = kRefused;
  }
}

// A lead-byte value must stand as a lead byte in the set, any other as a single byte.
bool SetHolds(std::string_view set, char key) { return DbcsPos(std::string(1, key), set) != 0; }

}  // namespace

TKeyVerdict FilterTypedByte(TEditType type, std::string_view using_text, int byte_limit, int kept,
                            char& key) {
  std::string_view set;
  switch (type) {
    case TEditType::Strin:
      return byte_limit != 0 && kept >= byte_limit ? TKeyVerdict::Drop : TKeyVerdict::Accept;
    case TEditType::Numin:
      RefuseUnused(using_text, ",.\\", key);
      set = kNumberKeys;
      break;
    case TEditType::NuminNo:
    case TEditType::StrinNo:
    case TEditType::Codein:
      RefuseUnused(using_text, "-.", key);
      set = kUnsignedKeys;
      break;
    case TEditType::Dayin:
    case TEditType::DayinWa:
    case TEditType::DayinBi:
      set = kDateKeys;
      break;
    case TEditType::Timein:
    case TEditType::TimeinH:
      RefuseUnused(using_text, ":", key);
      set = kTimeKeys;
      break;
  }
  return SetHolds(set, key) ? TKeyVerdict::Accept : TKeyVerdict::Reject;
}

TKeyVerdict FilterTypedCharacter(TEditType type, std::string_view using_text, int byte_limit,
                                 int kept, std::string_view character) {
  if (character.empty()) return TKeyVerdict::Drop;
  // The whole character must fit: a lead byte alone before the limit would split it.
  const int last = kept + static_cast<int>(character.size()) - 1;
  for (char byte : character) {
    char key = byte;
    const TKeyVerdict verdict = FilterTypedByte(type, using_text, byte_limit, last, key);
    if (verdict != TKeyVerdict::Accept) return verdict;
  }
  return TKeyVerdict::Accept;
}

int CharacterBytesAt(std::string_view text, int pos) {
  if (pos < 0 || static_cast<size_t>(pos) >= text.size()) return 0;
  const auto at = static_cast<size_t>(pos);
  if (base::ByteTypeAt(text, at) == base::TByteType::mbLeadByte)
    return at + 1 < text.size() ? 2 : 1;
  return 1;
}

}  // namespace kestrum::lib
