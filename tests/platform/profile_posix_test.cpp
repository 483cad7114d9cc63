#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/profile.h"

namespace kestrum::platform {
namespace {

class PosixProfile : public ::testing::Test {
 protected:
  PosixProfile() {
    char pattern[] = "/tmp/kestrum-ini-XXXXXX";
    dir_ = mkdtemp(pattern);
    path_ = dir_ + "/Environ.ini";
  }
  ~PosixProfile() override {
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  void WriteFile(const std::string& content) { std::ofstream(path_, std::ios::binary) << content; }
  std::string ReadFile() const {
    std::ifstream file(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  }

  TProfilePort& ini = SystemProfile();
  std::string dir_, path_;
};

TEST_F(PosixProfile, MissingFileGivesDefaultsAndTheFirstWriteCreatesIt) {
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "TimeServer", "ntp.nict.jp"), "ntp.nict.jp");
  EXPECT_TRUE(ini.WriteString(path_, "Kestrum", "TimeServer", "time.nist.gov"));
  EXPECT_EQ(ReadFile(), "[Kestrum]\nTimeServer=time.nist.gov\n");
  EXPECT_EQ(ini.ReadString(path_, "kestrum", "timeserver", ""), "time.nist.gov");
}

TEST_F(PosixProfile, WritesKeepEveryOtherSectionKeyAndComment) {
  WriteFile(
      "; settings\r\n[Other]\r\nTimeServer=keep.me\r\n\r\n[KESTRUM]\r\nStartTime = 5\r\n"
      "timeserver = old.example\r\nExtra=1\r\n\r\n[Last]\r\nA=B\r\n");
  EXPECT_TRUE(ini.WriteString(path_, "Kestrum", "TimeServer", "ntp.nict.jp"));
  EXPECT_TRUE(ini.WriteString(path_, "Kestrum", "New", ""));
  EXPECT_TRUE(ini.WriteString(path_, "Fresh", "K", "V"));
  EXPECT_EQ(ReadFile(),
            "; settings\r\n[Other]\r\nTimeServer=keep.me\r\n\r\n[KESTRUM]\r\nStartTime = 5\r\n"
            "timeserver=ntp.nict.jp\r\nExtra=1\r\nNew=\r\n\r\n[Last]\r\nA=B\r\n[Fresh]\r\nK=V\r\n");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "StartTime", "x"), "5");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "New", "x"), "");
  EXPECT_EQ(ini.ReadString(path_, "Other", "TimeServer", "x"), "keep.me");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "Missing", "x"), "x");
}

TEST_F(PosixProfile, ValuesAreTrimmedAndUnquotedAndTextStaysShiftJis) {
  WriteFile("[Kestrum]\nA = \"  spaced  \" \nB='q'\nC=\"half\n");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "A", ""), "  spaced  ");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "B", ""), "q");
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "C", ""), "\"half");
  EXPECT_TRUE(ini.WriteString(path_, "Kestrum", "TimeServer", "時刻サーバ"));
  EXPECT_EQ(ini.ReadString(path_, "Kestrum", "TimeServer", ""), "時刻サーバ");
}

// The second byte of a double-byte character may look like a letter (83 41 is "ア", 83 61 "ヂ"):
// two such names differ; only ASCII letters fold.
TEST_F(PosixProfile, DoubleByteNamesAreNotFoldedLikeLetters) {
  WriteFile("[\x83\x41]\nkey=upper\n[\x83\x61]\nkey=lower\n");
  EXPECT_EQ(ini.ReadString(path_, "\x83\x41", "key", ""), "upper");
  EXPECT_EQ(ini.ReadString(path_, "\x83\x61", "key", ""), "lower");
  EXPECT_TRUE(ini.WriteString(path_, "\x83\x61", "\x83\x5A", "1"));
  EXPECT_TRUE(ini.WriteString(path_, "\x83\x61", "\x83\x7A", "2"));
  EXPECT_EQ(ReadFile(), "[\x83\x41]\nkey=upper\n[\x83\x61]\nkey=lower\n\x83\x5A=1\n\x83\x7A=2\n");
  EXPECT_EQ(ini.ReadString(path_, "\x83\x61", "\x83\x5A", ""), "1");
  EXPECT_EQ(ini.ReadString(path_, "\x83\x61", "\x83\x7A", ""), "2");
  // ASCII after a double-byte character still folds; a lone lead byte at the end is one byte.
  WriteFile("[S]\n\x83\x41Key=v\nEnd\x83=w\n");
  EXPECT_EQ(ini.ReadString(path_, "s", "\x83\x41KEY", ""), "v");
  EXPECT_EQ(ini.ReadString(path_, "S", "end\x83", ""), "w");
}

TEST_F(PosixProfile, AFailedWriteLeavesTheOldFileWhole) {
  WriteFile("[Kestrum]\nTimeServer=old\n");
  // The folder refuses new files: the temporary file cannot be made, so nothing changes.
  ASSERT_EQ(chmod(dir_.c_str(), 0500), 0);
  const bool can_still_write = access(dir_.c_str(), W_OK) == 0;  // root ignores the mode
  const bool written = ini.WriteString(path_, "Kestrum", "TimeServer", "new");
  chmod(dir_.c_str(), 0700);
  if (!can_still_write) {
    EXPECT_FALSE(written);
    EXPECT_EQ(ReadFile(), "[Kestrum]\nTimeServer=old\n");
  }
  // No temporary file is ever left beside the settings.
  EXPECT_EQ(std::system(("test $(ls -A " + dir_ + " | wc -l) -eq 1").c_str()), 0);
}

// A rename would replace a read-only file, or a link with a plain file: the write fails instead,
// as the Windows functions fail on a read-only file, and both stay as they were.
TEST_F(PosixProfile, ReadOnlyFilesAndSymbolicLinksAreNotReplaced) {
  const std::string old = "[Kestrum]\nTimeServer=old\n";
  struct stat st {};
  WriteFile(old);
  ASSERT_EQ(chmod(path_.c_str(), 0444), 0);
  EXPECT_FALSE(ini.WriteString(path_, "Kestrum", "TimeServer", "new"));  // even for root
  EXPECT_EQ(ReadFile(), old);
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0444u);

  // A writable file is written and keeps its own mode.
  ASSERT_EQ(chmod(path_.c_str(), 0600), 0);
  EXPECT_TRUE(ini.WriteString(path_, "Kestrum", "TimeServer", "new"));
  ASSERT_EQ(lstat(path_.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);

  const std::string target = dir_ + "/shared.ini";
  std::ofstream(target, std::ios::binary) << old;
  for (const std::string& points_to : {target, dir_ + "/missing.ini"}) {
    std::remove(path_.c_str());
    ASSERT_EQ(symlink(points_to.c_str(), path_.c_str()), 0);
    EXPECT_FALSE(ini.WriteString(path_, "Kestrum", "TimeServer", "new")) << points_to;
    ASSERT_EQ(lstat(path_.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << points_to;
  }
  EXPECT_EQ(ini.ReadString(target, "Kestrum", "TimeServer", ""), "old");
  std::remove(target.c_str());
  // Nothing but the link is left behind.
  EXPECT_EQ(std::system(("test $(ls -A " + dir_ + " | wc -l) -eq 1").c_str()), 0);
}

}  // namespace
}  // namespace kestrum::platform
