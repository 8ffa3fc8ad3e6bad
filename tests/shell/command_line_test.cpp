// Splitting argument strings into paths. Every text is handed over in a heap buffer of exactly its
// length without a terminator, so a read past the end shows under AddressSanitizer.
#include "shell/command_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text) {
  std::unique_ptr<char[]> exact(new char[text.size()]);
  if (!text.empty()) std::memcpy(exact.get(), text.data(), text.size());
  std::vector<std::string> paths;
  const int32_t count = SplitOpenArguments(
      exact.get(), text.size(),
      [](const char* path, void* context) { static_cast<std::vector<std::string>*>(context)->push_back(path); },
      &paths);
  EXPECT_EQ(count, int32_t(paths.size())) << text;
  return paths;
}

using Paths = std::vector<std::string>;

TEST(CommandLine, QuotedRunsArePathsAndTheTextBetweenSplitsAtSpaces) {
  // One quoted path with spaces: the quotes go, the spaces stay.
  EXPECT_EQ(Split("\"C:\\My Music\\a b.mp3\""), Paths{"C:\\My Music\\a b.mp3"});
  EXPECT_EQ(Split("\"a b.mp3\" \"c d.mp3\""), (Paths{"a b.mp3", "c d.mp3"}));
  EXPECT_EQ(Split("C:\\My Music\\a.mp3"), (Paths{"C:\\My", "Music\\a.mp3"}));
  EXPECT_EQ(Split("  a.mp3   b.m3u  "), (Paths{"a.mp3", "b.m3u"}));
  EXPECT_EQ(Split("x.mp3 \"a b.pls\"y.mp3 z"), (Paths{"x.mp3", "a b.pls", "y.mp3", "z"}));
  EXPECT_EQ(Split("\"a b.mp3\" "), Paths{"a b.mp3"});
  // An unterminated run goes to the end of the text.
  EXPECT_EQ(Split("a.mp3 \"c d.mp3"), (Paths{"a.mp3", "c d.mp3"}));
  // Nothing to add: empty, spaces, a lone quote, empty quotes.
  for (const char* empty : {"", "   ", "\"", "\"\"", " \"\" "}) EXPECT_EQ(Split(empty), Paths{}) << empty;
  EXPECT_EQ(Split("\"\" \" "), Paths{" "});
  // A text handed over with its terminator ends there.
  EXPECT_EQ(Split(std::string("a.mp3\0b.mp3", 11)), Paths{"a.mp3"});
  // Pieces longer than a playlist entry holds are handed whole (a cut one could name another file).
  const std::string longName(300, 'n');
  EXPECT_EQ(Split(longName + " \"" + longName + "\""), (Paths{longName, longName}));
  // The arguments of a whole command line.
  EXPECT_STREQ(SkipProgramName("\"C:\\Program Files\\zav.exe\"  a.mp3 b"), "a.mp3 b");
  EXPECT_STREQ(SkipProgramName("zav.exe\t\"x y.mp3\""), "\"x y.mp3\"");
  EXPECT_STREQ(SkipProgramName("zav.exe"), "");
}

}  // namespace
