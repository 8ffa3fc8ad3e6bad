// The profile seam, run natively against the host ini code and under Wine against the Windows profile
// functions: the same expectations hold for both, so the host half is checked against Windows itself.
#include "platform/profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "tests/settings/profile_test_support.h"

namespace {

class ProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = TestFolder("profile") + "test.ini";
    RemoveProfileFile(path_);
  }
  void TearDown() override { RemoveProfileFile(path_); }

  void Put(const std::string& text) { PutProfileFile(path_, text); }
  std::string Get(const char* section, const char* key, const char* defaultValue = "<none>") {
    char value[512];
    ProfileGetString(section, key, defaultValue, value, sizeof value, path_.c_str());
    return value;
  }
  // The file's lines without the blank ones (the Windows functions drop them as they rewrite a file).
  std::vector<std::string> Lines() {
    std::vector<std::string> lines = ProfileFileLines(path_);
    lines.erase(std::remove(lines.begin(), lines.end(), std::string()), lines.end());
    return lines;
  }
  int32_t Int(const char* key, int32_t defaultValue = -1) {
    return ProfileGetInt("numbers", key, defaultValue, path_.c_str());
  }

  std::string path_;
};

TEST_F(ProfileTest, StructValuesAreUpperHexWithAChecksumAndReadBack) {
  const uint8_t bytes[5] = {0x00, 0x01, 0xAB, 0xFF, 0x7F};  // sum 554, checksum 0x2A
  ASSERT_TRUE(ProfileWriteStruct("Data", "blob", bytes, sizeof bytes, path_.c_str()));
  const std::vector<std::string> lines = ProfileFileLines(path_);
  EXPECT_NE(std::find(lines.begin(), lines.end(), "[Data]"), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "blob=0001ABFF7F2A"), lines.end());

  uint8_t back[5] = {};
  ASSERT_TRUE(ProfileGetStruct("data", "BLOB", back, sizeof back, path_.c_str()));
  EXPECT_EQ(0, std::memcmp(back, bytes, sizeof bytes));
  uint8_t other[6];
  EXPECT_FALSE(ProfileGetStruct("Data", "blob", other, 4, path_.c_str())) << "shorter record";
  EXPECT_FALSE(ProfileGetStruct("Data", "blob", other, 6, path_.c_str())) << "longer record";
  EXPECT_FALSE(ProfileGetStruct("Data", "none", other, 5, path_.c_str())) << "missing key";
}

TEST_F(ProfileTest, DamagedStructValuesAreRefused) {
  const char* const damaged[] = {
      "0001ABFF7F2B",  // checksum off by one
      "0101ABFF7F2A",  // a data byte changed
      "0001ABFF7F2",   // one digit short
      "0001ABFF7F",    // checksum missing
      "0001ABFG7F2A",  // not a hex digit
      "",              // empty
  };
  uint8_t back[5];
  Put("[Data]\r\nblob=0001ABFF7F2A\r\n");
  ASSERT_TRUE(ProfileGetStruct("Data", "blob", back, sizeof back, path_.c_str())) << "the intact value";
  for (const char* value : damaged) {
    Put(std::string("[Data]\r\nblob=") + value + "\r\n");
    EXPECT_FALSE(ProfileGetStruct("Data", "blob", back, sizeof back, path_.c_str())) << value;
  }
  RemoveProfileFile(path_);
  EXPECT_FALSE(ProfileGetStruct("Data", "blob", back, sizeof back, path_.c_str())) << "no file";
}

TEST_F(ProfileTest, NamesIgnoreCaseAndValuesLoseSurroundingBlanksAndQuotes) {
  Put("; a comment line\r\n"
      "[First]\r\n"
      "  Key One  =   spaced value   \r\n"
      "quoted=\"in quotes\"\r\n"
      "single='in single quotes'\r\n"
      "half=\"open only\r\n"
      "empty=\r\n"
      "equals=a=b\r\n"
      "[Second]\r\n"
      "key one=second section\r\n");
  EXPECT_EQ(Get("FIRST", "key one"), "spaced value");
  EXPECT_EQ(Get("first", "QUOTED"), "in quotes");
  EXPECT_EQ(Get("first", "single"), "in single quotes");
  EXPECT_EQ(Get("first", "half"), "\"open only");
  EXPECT_EQ(Get("first", "empty"), "");
  EXPECT_EQ(Get("first", "equals"), "a=b");
  EXPECT_EQ(Get("second", "Key One"), "second section");
  EXPECT_EQ(Get("first", "missing"), "<none>");
  EXPECT_EQ(Get("third", "key one"), "<none>");
}

TEST_F(ProfileTest, StringsAreCutToTheBufferAndReturnTheirLength) {
  Put("[s]\r\nk=abcdef\r\n");
  char small[4] = {'x', 'x', 'x', 'x'};
  EXPECT_EQ(ProfileGetString("s", "k", "", small, sizeof small, path_.c_str()), 3u);
  EXPECT_STREQ(small, "abc");
  char exact[7];
  EXPECT_EQ(ProfileGetString("s", "k", "", exact, sizeof exact, path_.c_str()), 6u);
  EXPECT_STREQ(exact, "abcdef");
  char fallback[8];
  EXPECT_EQ(ProfileGetString("s", "other", "dflt", fallback, sizeof fallback, path_.c_str()), 4u);
  EXPECT_STREQ(fallback, "dflt");
  EXPECT_EQ(ProfileGetString("s", "other", "too long default", fallback, sizeof fallback, path_.c_str()), 7u);
  EXPECT_STREQ(fallback, "too lon");
}

TEST_F(ProfileTest, IntegersParseLikeWindows) {
  Put("[numbers]\r\n"
      "plain=611\r\n"
      "blanks=   42   \r\n"
      "negative=-7\r\n"
      "trailing=12abc\r\n"
      "letters=abc\r\n"
      "empty=\r\n");
  EXPECT_EQ(Int("plain"), 611);
  EXPECT_EQ(Int("blanks"), 42);
  EXPECT_EQ(Int("negative"), -7);
  EXPECT_EQ(Int("trailing"), 12);
  EXPECT_EQ(Int("letters"), 0);
  EXPECT_EQ(Int("empty", -1), -1);
  EXPECT_EQ(Int("missing", -1), -1);
  EXPECT_EQ(Int("missing", 5), 5);
}

TEST_F(ProfileTest, WritesKeepOtherLinesAndReplaceValuesInPlace) {
  Put("[keep]\r\nalpha=1\r\n\r\n[target]\r\nbeta=2\r\ngamma=3\r\n");
  ASSERT_TRUE(ProfileWriteString("TARGET", "Beta", "20", path_.c_str()));
  ASSERT_TRUE(ProfileWriteString("target", "delta", "4", path_.c_str()));
  ASSERT_TRUE(ProfileWriteString("fresh", "epsilon", "5", path_.c_str()));
  EXPECT_EQ(Get("keep", "alpha"), "1");
  EXPECT_EQ(Get("target", "beta"), "20");
  EXPECT_EQ(Get("target", "gamma"), "3");
  EXPECT_EQ(Get("target", "delta"), "4");
  EXPECT_EQ(Get("fresh", "epsilon"), "5");
  // The value is replaced, not written a second time.
  const std::string text = ProfileFileText(path_);
  EXPECT_EQ(text.find("=2\r"), std::string::npos) << text;
  size_t betas = 0;
  for (size_t at = text.find("eta="); at != std::string::npos; at = text.find("eta=", at + 1)) ++betas;
  EXPECT_EQ(betas, 1u) << text;
}

TEST_F(ProfileTest, ABatchOfWritesLeavesWhatOneWriteAfterAnotherLeaves) {
  // Replaced, added, written twice, named in another case, and a key of another section left alone.
  const ProfileString batch[] = {{"BETA", "20"}, {"delta", "4"}, {"gamma", "30"}, {"delta", "40"}, {"Epsilon", "5"}};
  const char* const starts[] = {
      nullptr,  // no file
      "[keep]\r\nalpha=1\r\n\r\n[target]\r\nbeta=2\r\ngamma=3\r\n\r\n[other]\r\nbeta=9\r\n",
      "[target]\r\nbeta=2\r\n\r\n\r\n",  // blank lines after the last key
      "[target]\r\nbeta=2",                // the last line has no line end
      "[target]",                            // a header and nothing else
      "[keep]\r\nalpha=1",                   // no such section yet
  };
  for (const char* start : starts) {
    SCOPED_TRACE(start ? start : "(no file)");
    auto begin = [&] {
      if (start) Put(start);
      else RemoveProfileFile(path_);
    };
    begin();
    for (const ProfileString& s : batch) ASSERT_TRUE(ProfileWriteString("target", s.key, s.value, path_.c_str()));
    const std::vector<std::string> oneByOne = Lines();
    begin();
    ASSERT_TRUE(ProfileWriteStrings("target", batch, 5, path_.c_str()));
    EXPECT_EQ(Lines(), oneByOne);
    EXPECT_EQ(Get("target", "delta"), "40");
  }
  const ProfileString broken[] = {{"fine", "1"}, {"bad", "two\r\nlines"}};
  Put("[target]\r\nfine=0\r\n");
  EXPECT_FALSE(ProfileWriteStrings("target", broken, 2, path_.c_str()));
  EXPECT_EQ(Get("target", "fine"), "0") << "a refused batch writes nothing";
}

TEST_F(ProfileTest, AFileNameWithoutAFolderLivesInTheWindowsFolder) {
  const std::string name = "zav_profile_test.ini";
  const std::string where = TestWindowsFolder() + name;
  RemoveProfileFile(name);
  RemoveProfileFile(where);
  ASSERT_TRUE(ProfileWriteString("s", "k", "v", name.c_str()));
  EXPECT_TRUE(FileExists(where)) << where;
  char value[8];
  ProfileGetString("s", "k", "", value, sizeof value, name.c_str());
  EXPECT_STREQ(value, "v");
  RemoveProfileFile(name);
}

}  // namespace
