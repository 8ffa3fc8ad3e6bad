// The playlist model: adding (with and without the scan), deleting, sorting, shuffling, walking, the
// Decode thread's reads, folders, and the refresh messages each change sends.
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <functional>

#include "platform/directory.h"
#include "settings/settings.h"
#include "tests/playlist/playlist_test_support.h"
#include "tests/settings_guard.h"

namespace {

const WindowHandle kOwner = reinterpret_cast<WindowHandle>(0x100);
const WindowHandle kEditor = reinterpret_cast<WindowHandle>(0x200);

// Runs once inside the next message box, while the playlist is in the middle of an operation.
std::function<void()> gDuringBox;
int32_t BoxThenAct(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
  BoxRecorder::Record(owner, text, caption, style);
  if (gDuringBox) {
    std::function<void()> act = std::move(gDuringBox);
    gDuringBox = nullptr;
    act();
  }
  return kAnswerOk;
}

class PlaylistTest : public ::testing::Test {
 protected:
  SettingsGuard settings_;
  void SetUp() override {
    NotifyRecorder::Start();
    SetPlaylistWindows(kOwner, kEditor);
    ClearPlaylist();
    gSettings.shuffle = 0;
    gSettings.readInfoOnAdd = 0;
    NotifyRecorder::Start();  // forgets the clearing's refresh
    SetMessageBoxHook(&BoxThenAct);
  }
  void TearDown() override {
    gDuringBox = nullptr;
    SetPlaylistWindows(nullptr, nullptr);
    ClearPlaylist();
    NotifyRecorder::Stop();
  }

  static std::vector<std::string> Paths() {
    std::vector<std::string> paths;
    PlaylistEntry e;
    for (int32_t i = 0; CopyEntryAt(i, &e); ++i) {
      EXPECT_EQ(e.previous, nullptr);
      EXPECT_EQ(e.next, nullptr);
      paths.push_back(e.path);
    }
    EXPECT_EQ(int32_t(paths.size()), PlaylistCount());
    return paths;
  }
  static std::string Current() {
    PlaylistEntry e;
    return CopyCurrentEntry(&e) ? std::string(e.path) : std::string("(none)");
  }
  static void AddAll(const std::vector<std::string>& paths) {
    for (const std::string& p : paths) ASSERT_EQ(AddTrack(p.c_str()), 1);
  }
  // Texts of the boxes with `caption`, each checked for its owner.
  static std::vector<std::string> BoxTexts(const char* caption, WindowHandle owner = kOwner) {
    std::vector<std::string> texts;
    for (const RecordedBox& b : BoxRecorder::Boxes()) {
      if (b.caption == caption) {
        EXPECT_EQ(b.owner, owner);
        texts.push_back(b.text);
      }
    }
    return texts;
  }
  static PlaylistEntry EntryAt(int32_t index) {
    PlaylistEntry e{};
    EXPECT_EQ(CopyEntryAt(index, &e), 1);
    return e;
  }
};

TEST_F(PlaylistTest, AddingAndWalking) {
  EXPECT_EQ(GoToFirst(), 0);
  EXPECT_EQ(NextEntry(), 0);
  EXPECT_EQ(PreviousEntry(), 0);
  EXPECT_EQ(IsAtLast(), 1);
  EXPECT_EQ(IsAtFirst(), 1);
  EXPECT_EQ(CurrentDuration(), -1);
  char path[kPathBytes];
  EXPECT_EQ(PrepareCurrent(path), 0);

  AddAll({"A", "B", "C"});
  EXPECT_EQ(Paths(), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(Current(), "A");  // the first add made it current; later adds left it
  EXPECT_EQ(IsAtFirst(), 1);
  EXPECT_EQ(IsAtLast(), 0);
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), "C");
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), "C");
  EXPECT_EQ(IsAtLast(), 1);
  EXPECT_EQ(PreviousEntry(), 1);
  EXPECT_EQ(Current(), "B");
  EXPECT_EQ(IsAtFirst(), 0);
  EXPECT_EQ(GoToFirst(), 1);
  EXPECT_EQ(Current(), "A");
  EXPECT_EQ(PreviousEntry(), 1);
  EXPECT_EQ(Current(), "A");
  EXPECT_EQ(NotifyRecorder::Refreshes(), 0u);  // adding and walking send nothing

  // Paths of 259 characters are kept whole; longer ones are refused rather than cut.
  EXPECT_EQ(AddTrack(std::string(259, 'p').c_str()), 1);
  EXPECT_EQ(AddTrack(std::string(260, 'q').c_str()), 0);
  EXPECT_EQ(AddTrack(nullptr), 0);
  EXPECT_EQ(PlaylistCount(), 4);
  EXPECT_EQ(Paths().back(), std::string(259, 'p'));
  PlaylistEntry e;
  EXPECT_EQ(CopyEntryAt(4, &e), 0);
  EXPECT_EQ(CopyEntryAt(-1, &e), 0);
  EXPECT_EQ(EntryAt(0).duration, -1);
  EXPECT_EQ(EntryAt(0).tag.present, 0);

  ClearPlaylist();
  EXPECT_EQ(PlaylistCount(), 0);
  EXPECT_EQ(Current(), "(none)");
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);
  AddTrack("D");
  EXPECT_EQ(Current(), "D");
}

TEST_F(PlaylistTest, DeletingEntries) {
  AddAll({"A", "B", "C", "D", "E"});
  const int32_t picks[] = {0, 2, 3};
  EXPECT_EQ(DeleteEntries(3, picks), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"B", "E"}));
  EXPECT_EQ(Current(), "B");  // A was current: its successor
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);

  // The last entry, when current, hands over to its predecessor.
  NextEntry();  // stays on B, which took over from A
  NextEntry();
  EXPECT_EQ(Current(), "E");
  const int32_t last[] = {1};
  EXPECT_EQ(DeleteEntries(1, last), 1);
  EXPECT_EQ(Current(), "B");
  EXPECT_EQ(IsAtLast(), 1);

  // A run of deletions through the current entry ends on the first survivor after it.
  ClearPlaylist();
  AddAll({"A", "B", "C", "D", "E"});
  NextEntry();
  const int32_t run[] = {1, 2};
  EXPECT_EQ(DeleteEntries(2, run), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"A", "D", "E"}));
  EXPECT_EQ(Current(), "D");
  EXPECT_EQ(IsAtFirst(), 0);
  EXPECT_EQ(PreviousEntry(), 1);
  EXPECT_EQ(Current(), "A");

  // An index past the end stops the deletions there; those before it are done.
  const size_t refreshes = NotifyRecorder::Refreshes();
  const int32_t beyond[] = {1, 7};
  EXPECT_EQ(DeleteEntries(2, beyond), 0);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"A", "E"}));
  EXPECT_EQ(NotifyRecorder::Refreshes(), refreshes + 1);
  const int32_t negative[] = {-1};
  EXPECT_EQ(DeleteEntries(1, negative), 0);
  EXPECT_EQ(DeleteEntries(1, nullptr), 0);
  EXPECT_EQ(PlaylistCount(), 2);

  // Deleting everything empties the list and leaves no current entry.
  const int32_t all[] = {0, 1};
  EXPECT_EQ(DeleteEntries(2, all), 1);
  EXPECT_EQ(PlaylistCount(), 0);
  EXPECT_EQ(Current(), "(none)");
  EXPECT_EQ(IsAtLast(), 1);
  AddTrack("F");
  EXPECT_EQ(Paths(), (std::vector<std::string>{"F"}));
  EXPECT_EQ(Current(), "F");
}

TEST_F(PlaylistTest, TheTrackAfterADeletedPlayingEntryIsTheOneThatFollowedIt) {
  std::vector<std::string> files;
  for (const char* name : {"A", "B", "C", "D"}) {
    files.push_back(ScratchPath(std::string("follow-") + name + ".mp3"));
    ASSERT_TRUE(WriteWholeFile(files.back(), TaggedTrack(1, name)));
  }
  AddAll(files);
  char playing[kPathBytes];
  auto play = [&] { ASSERT_EQ(PrepareCurrent(playing), 1); };  // as the Decode thread takes the track
  NextEntry();
  play();
  EXPECT_EQ(std::string(playing), files[1]);
  const int32_t b[] = {1};
  ASSERT_EQ(DeleteEntries(1, b), 1);
  EXPECT_EQ(Current(), files[2]);
  // At the track's end the window asks IsAtLast, then NextEntry: C is next, not D.
  EXPECT_EQ(IsAtLast(), 0);
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), files[2]);
  play();
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), files[3]);

  // A successor that is the last entry still plays before the list ends.
  GoToFirst();
  play();
  const int32_t a[] = {0};
  ASSERT_EQ(DeleteEntries(1, a), 1);  // C D left, C current
  NextEntry();
  play();
  NextEntry();
  play();
  EXPECT_EQ(std::string(playing), files[3]);
  const int32_t c[] = {0};
  ASSERT_EQ(DeleteEntries(1, c), 1);  // D alone, not current before: nothing took over
  EXPECT_EQ(IsAtLast(), 1);
  AddTrack(files[0].c_str());
  const int32_t d[] = {0};
  ASSERT_EQ(DeleteEntries(1, d), 1);  // the playing D goes: A takes over and is still to play
  EXPECT_EQ(Current(), files[0]);
  EXPECT_EQ(IsAtLast(), 0);
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), files[0]);
  play();
  EXPECT_EQ(IsAtLast(), 1);

  // A deleted last entry hands back to its predecessor, which has played: the list ends there.
  AddTrack(files[1].c_str());
  NextEntry();
  play();  // B plays
  const int32_t last[] = {1};
  ASSERT_EQ(DeleteEntries(1, last), 1);
  EXPECT_EQ(Current(), files[0]);
  EXPECT_EQ(IsAtLast(), 1);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

// Lines spread over the list move past their neighbours while one at the edge stays; the current entry
// stays the same track and the walk follows the new order. Crop deletes as Delete does: a deleted current
// entry hands over to the track that followed it, still to play.
TEST_F(PlaylistTest, MovingAndCroppingRelinkWholeEntries) {
  AddAll({"A", "B", "C", "D", "E"});
  const auto order = [] { std::string s; for (const std::string& p : Paths()) s += p; return s + " " + Current(); };
  int32_t moved[3] = {};
  const int32_t spread[] = {0, 2, 4}, keep[] = {2, 4}, past[] = {5}, unsorted[] = {2, 1};
  MakeCurrentAt(2);
  EXPECT_EQ(MoveEntries(3, spread, 1, moved), 1);
  EXPECT_EQ(order(), "BADCE C");
  EXPECT_EQ(std::vector<int32_t>(moved, moved + 3), (std::vector<int32_t>{1, 3, 4}));
  EXPECT_EQ(NextEntry(), 1);
  EXPECT_EQ(Current(), "E") << "the next track is the current one's new neighbour";
  EXPECT_EQ(MoveEntries(2, unsorted, 1, moved) + MoveEntries(1, past, 1, moved) + MoveEntries(1, keep, 2, moved), -3);
  PreviousEntry();
  EXPECT_EQ(CropEntries(2, keep), 1);
  EXPECT_EQ(order(), "DE E");
  EXPECT_EQ(IsAtLast() + CropEntries(0, nullptr) + CropEntries(1, past), 1) << "E is still to play; past the end";
}

TEST_F(PlaylistTest, SortingComparesUnsignedBytes) {
  EXPECT_EQ(SortPlaylist(0), 1);  // empty: nothing to do, nothing sent
  EXPECT_EQ(NotifyRecorder::Refreshes(), 0u);

  AddAll({"dir/b.mp3", "dir/B.mp3", "dir/a.mp3x", "dir/\xE9.mp3", "dir/a.mp3"});
  EXPECT_EQ(SortPlaylist(0), 1);
  EXPECT_EQ(Paths(),
            (std::vector<std::string>{"dir/B.mp3", "dir/a.mp3", "dir/a.mp3x", "dir/b.mp3", "dir/\xE9.mp3"}));
  EXPECT_EQ(Current(), "dir/B.mp3");  // the current entry keeps its place and takes its new track
  EXPECT_EQ(SortPlaylist(1), 1);
  EXPECT_EQ(Paths(),
            (std::vector<std::string>{"dir/\xE9.mp3", "dir/b.mp3", "dir/a.mp3x", "dir/a.mp3", "dir/B.mp3"}));
  EXPECT_EQ(NotifyRecorder::Refreshes(), 2u);
  EXPECT_EQ(SortPlaylist(2), 0);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 2u);
}

TEST_F(PlaylistTest, SortingMovesWholeTracksAndKeepsEqualPathsInOrder) {
  const std::string path = ScratchPath("sort-same.mp3");
  ASSERT_TRUE(WriteWholeFile(path, TaggedTrack(7, "Seven")));
  gSettings.readInfoOnAdd = 1;
  AddTrack(path.c_str());  // scanned: 7 s
  gSettings.readInfoOnAdd = 0;
  AddTrack(path.c_str());  // same path, not scanned
  AddTrack("~last");
  EXPECT_EQ(SortPlaylist(1), 1);
  EXPECT_EQ(EntryAt(0).path, std::string("~last"));
  EXPECT_EQ(EntryAt(1).duration, 7);
  EXPECT_STREQ(EntryAt(1).tag.title, "Seven");
  EXPECT_EQ(EntryAt(1).bitrate, 128);
  EXPECT_EQ(EntryAt(2).path, path);
  EXPECT_EQ(EntryAt(2).duration, -1);
  EXPECT_EQ(EntryAt(2).tag.present, 0);
  EXPECT_EQ(Current(), "~last");
  EXPECT_EQ(SortPlaylist(0), 1);
  EXPECT_EQ(EntryAt(0).duration, 7);
  EXPECT_EQ(EntryAt(1).duration, -1);
  EXPECT_EQ(EntryAt(2).path, std::string("~last"));

  // Enough entries that a sort which does not keep equal keys in order would show it: the scanned and
  // unscanned copies of one path must keep their pattern.
  ClearPlaylist();
  std::vector<int32_t> pattern;
  for (int i = 0; i < 40; ++i) {
    gSettings.readInfoOnAdd = (i * 7) % 3 == 0;
    pattern.push_back(gSettings.readInfoOnAdd ? 7 : -1);
    AddTrack(path.c_str());
    gSettings.readInfoOnAdd = 0;
    AddTrack(i % 2 ? "~z" : "!a");
  }
  for (int32_t order : {1, 0}) {
    EXPECT_EQ(SortPlaylist(order), 1);
    std::vector<int32_t> seen;
    for (int32_t i = 0; i < PlaylistCount(); ++i) {
      if (EntryAt(i).path == path) seen.push_back(EntryAt(i).duration);
    }
    EXPECT_EQ(seen, pattern);
  }
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
}

TEST_F(PlaylistTest, ShuffleFollowsTheGeneratorAndSeed) {
  AddAll({"0", "1", "2", "3", "4"});
  // Seed 1 gives 41, 18467, 6334, 26500: exchanges (1,3), (2,0), (3,4), (4,1).
  ShufflePlaylistWithSeed(1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"2", "1", "0", "4", "3"}));
  EXPECT_EQ(Current(), "2");
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);

  // Two entries always trade places; one entry is left alone and nothing is sent.
  ClearPlaylist();
  AddAll({"x", "y"});
  ShufflePlaylistWithSeed(12345);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"y", "x"}));
  ClearPlaylist();
  AddTrack("only");
  const size_t refreshes = NotifyRecorder::Refreshes();
  ShufflePlaylist();
  EXPECT_EQ(Paths(), (std::vector<std::string>{"only"}));
  EXPECT_EQ(NotifyRecorder::Refreshes(), refreshes);
}

TEST_F(PlaylistTest, GoToFirstShufflesWithTheTimeAsSeed) {
  std::vector<std::string> names;
  for (int i = 0; i < 40; ++i) names.push_back("track" + std::to_string(i));
  AddAll(names);
  NextEntry();
  NextEntry();
  EXPECT_EQ(GoToFirst(), 1);  // shuffle off: first entry, same order, nothing sent
  EXPECT_EQ(Current(), "track0");
  EXPECT_EQ(Paths(), names);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 0u);

  gSettings.shuffle = 1;
  NextEntry();
  const uint32_t before = uint32_t(std::time(nullptr));
  EXPECT_EQ(GoToFirst(), 1);
  const uint32_t after = uint32_t(std::time(nullptr));
  const std::vector<std::string> shuffled = Paths();
  EXPECT_EQ(Current(), shuffled[0]);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);
  EXPECT_NE(shuffled, names);

  bool matched = false;
  for (uint32_t seed = before; seed <= after && !matched; ++seed) {
    ClearPlaylist();
    AddAll(names);
    ShufflePlaylistWithSeed(seed);
    matched = Paths() == shuffled;
  }
  EXPECT_TRUE(matched);
}

TEST_F(PlaylistTest, ScanningWhenAdding) {
  const std::string good = ScratchPath("add-ten.mp3");
  const std::string headerless = ScratchPath("add-noheader.mp3");
  const std::string missing = ScratchPath("add-missing.mp3");
  ASSERT_TRUE(WriteWholeFile(good, TaggedTrack(10, "Ten")));
  ASSERT_TRUE(WriteWholeFile(headerless, Join(std::vector<uint8_t>(2000, 0),
                                              Id3v1Tag("TAG", "Quiet", "", "", "", "", 3))));
  std::remove(missing.c_str());

  AddTrack(good.c_str());  // scanning off: nothing known
  EXPECT_EQ(EntryAt(0).duration, -1);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());

  gSettings.readInfoOnAdd = 1;
  AddAll({good, headerless, missing});
  const PlaylistEntry ten = EntryAt(1);
  EXPECT_EQ(ten.duration, 10);
  EXPECT_EQ(ten.mpegVersion, 0);
  EXPECT_EQ(ten.layerIndex, 2);
  EXPECT_EQ(ten.bitrate, 128);
  EXPECT_EQ(ten.tag.present, 1);
  EXPECT_STREQ(ten.tag.title, "Ten");
  EXPECT_STREQ(ten.tag.genreName, "Rock");
  const PlaylistEntry quiet = EntryAt(2);
  EXPECT_EQ(quiet.duration, -1);
  EXPECT_EQ(quiet.bitrate, 0);
  EXPECT_STREQ(quiet.tag.title, "Quiet");
  const PlaylistEntry lost = EntryAt(3);
  EXPECT_EQ(lost.path, missing);
  EXPECT_EQ(lost.duration, -1);
  EXPECT_EQ(lost.tag.present, 0);
  EXPECT_EQ(BoxTexts("Error..."), (std::vector<std::string>{"Error Opening: " + missing}));
  EXPECT_EQ(BoxTexts("Note...", nullptr), (std::vector<std::string>{"No Header Found"}));
  EXPECT_EQ(Current(), good);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 0u);
}

TEST_F(PlaylistTest, PrepareCurrentCompletesTheEntryOnce) {
  const std::string good = ScratchPath("prepare-ten.mp3");
  const std::string missing = ScratchPath("prepare-missing.mp3");
  ASSERT_TRUE(WriteWholeFile(good, TaggedTrack(10, "Ten")));
  std::remove(missing.c_str());
  AddAll({good, missing});

  char path[kPathBytes] = {};
  EXPECT_EQ(CurrentDuration(), -1);
  EXPECT_EQ(PrepareCurrent(path), 1);
  EXPECT_EQ(std::string(path), good);
  EXPECT_EQ(CurrentDuration(), 10);
  PlaylistEntry e;
  ASSERT_EQ(CopyCurrentEntry(&e), 1);
  EXPECT_STREQ(e.tag.title, "Ten");
  EXPECT_EQ(e.bitrate, 128);
  EXPECT_EQ(e.previous, nullptr);
  EXPECT_EQ(e.next, nullptr);

  // A known duration is not scanned again.
  ASSERT_TRUE(WriteWholeFile(good, TaggedTrack(3, "Three")));
  EXPECT_EQ(PrepareCurrent(path), 1);
  EXPECT_EQ(CurrentDuration(), 10);

  NextEntry();
  std::memset(path, 'z', sizeof path);
  EXPECT_EQ(PrepareCurrent(path), 0);
  EXPECT_EQ(BoxTexts("Error..."), (std::vector<std::string>{"Error Opening: " + missing}));
  EXPECT_EQ(CurrentDuration(), -1);
}

// PrepareCurrent scans without holding the list: edits made meanwhile (here from inside the scan's
// "No Header Found" box) must not receive the results in the wrong entry or in a freed one.
TEST_F(PlaylistTest, PrepareCurrentWritesBackToTheTrackNotThePosition) {
  const std::string late = ScratchPath("zz-late.mp3");
  const std::string other = ScratchPath("aa-other.mp3");
  ASSERT_TRUE(WriteWholeFile(late, Join(std::vector<uint8_t>(3000, 0), Id3v1Tag("TAG", "Late", "", "", "", "", 1))));
  ASSERT_TRUE(WriteWholeFile(other, TaggedTrack(2, "Other")));
  AddAll({late, other});

  gDuringBox = [] { SortPlaylist(0); };  // moves the scanned track to position 1
  char path[kPathBytes];
  EXPECT_EQ(PrepareCurrent(path), 1);
  EXPECT_EQ(std::string(path), late);
  EXPECT_EQ(EntryAt(0).path, other);
  EXPECT_EQ(EntryAt(0).tag.present, 0);
  EXPECT_EQ(EntryAt(1).path, late);
  EXPECT_STREQ(EntryAt(1).tag.title, "Late");

  // Now the scanned track disappears during its scan.
  ClearPlaylist();
  AddAll({late, other});
  gDuringBox = [] {
    const int32_t first[] = {0};
    DeleteEntries(1, first);
  };
  EXPECT_EQ(PrepareCurrent(path), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{other}));
  EXPECT_EQ(EntryAt(0).tag.present, 0);
  EXPECT_EQ(CurrentDuration(), -1);
}

class PlaylistFolderTest : public PlaylistTest {
 protected:
  void SetUp() override {
    PlaylistTest::SetUp();
    ASSERT_TRUE(GetWorkingDirectory(startDir_, int32_t(sizeof startDir_)));
    root_ = ScratchPath("folders");
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
    std::filesystem::create_directories(root_ + "/music/f.mp3", ignored);
    std::filesystem::create_directories(root_ + "/empty", ignored);
    for (const char* name : {"a.mp3", "B.MP2", "c.mpx", "d.txt", "e.mp3.bak"}) {
      ASSERT_TRUE(WriteWholeFile(root_ + "/music/" + name, {1, 2, 3}));
    }
  }
  void TearDown() override {
    SetWorkingDirectory(startDir_);
    PlaylistTest::TearDown();
  }
  std::string Music() const { return root_ + "/music"; }
  std::string Joined(const std::string& name) const { return Music() + kPathSeparator + name; }
  void ExpectCwdRestored() {
    char now[260];
    ASSERT_TRUE(GetWorkingDirectory(now, int32_t(sizeof now)));
    EXPECT_STREQ(now, startDir_);
  }
  char startDir_[260] = {};
  std::string root_;
};

TEST_F(PlaylistFolderTest, AddDirectoryTakesTheMpegFilesOnly) {
  AddTrack("before");
  EXPECT_EQ(AddDirectory(Music().c_str()), 0);
  std::vector<std::string> paths = Paths();
  ASSERT_EQ(paths.size(), 4u);
  EXPECT_EQ(paths[0], "before");
  std::sort(paths.begin() + 1, paths.end());
  EXPECT_EQ(paths, (std::vector<std::string>{"before", Joined("B.MP2"), Joined("a.mp3"), Joined("c.mpx")}));
  EXPECT_EQ(Current(), "before");
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);
  EXPECT_TRUE(BoxRecorder::Boxes().empty());
  ExpectCwdRestored();

  // A folder given with its separator is not joined with a second one.
  ClearPlaylist();
  const std::string withSeparator = Music() + kPathSeparator;
  AddDirectory(withSeparator.c_str());
  ASSERT_EQ(PlaylistCount(), 3);
  for (const std::string& p : Paths()) {
    EXPECT_EQ(p.compare(0, withSeparator.size(), withSeparator), 0);
    EXPECT_NE(p[withSeparator.size()], kPathSeparator);
  }
}

TEST_F(PlaylistFolderTest, FoldersWithoutMatchesAddNothing) {
  const std::string noFiles = "Directory Contains No Mpeg Audio files...";
  EXPECT_EQ(AddDirectory((root_ + "/empty").c_str()), 0);
  EXPECT_EQ(BoxTexts("Error..."), (std::vector<std::string>{noFiles}));
  // A folder that cannot be entered must not list the current one instead (which here has matches).
  ASSERT_TRUE(SetWorkingDirectory(Music().c_str()));
  char inside[260];
  ASSERT_TRUE(GetWorkingDirectory(inside, int32_t(sizeof inside)));
  EXPECT_EQ(AddDirectory((root_ + "/no-such-folder").c_str()), 0);
  EXPECT_EQ(BoxTexts("Error...").size(), 2u);
  EXPECT_EQ(PlaylistCount(), 0);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 0u);
  char now[260];
  ASSERT_TRUE(GetWorkingDirectory(now, int32_t(sizeof now)));
  EXPECT_STREQ(now, inside);
}

TEST_F(PlaylistFolderTest, AddByTypeDispatchesOnKind) {
  EXPECT_EQ(AddByType(Music().c_str()), 1);
  EXPECT_EQ(BoxTexts("Adding Directory..."), (std::vector<std::string>{Music()}));
  EXPECT_EQ(PlaylistCount(), 3);
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);
  ExpectCwdRestored();

  ClearPlaylist();
  EXPECT_EQ(AddByType("song.mp3"), 1);
  EXPECT_EQ(AddByType("x"), 1);
  EXPECT_EQ(AddByType("list.pls.mp3"), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"song.mp3", "x", "list.pls.mp3"}));

  // Playlist files by their ending, in any case: their entries are added, not the files themselves.
  ClearPlaylist();
  const std::string m3u = root_ + "/list.M3U";
  const std::string pls = root_ + "/list.Pls";
  const std::string m3u8 = root_ + "/list.M3u8";  // UTF-8 by its name, though not as a whole
  const std::string m3uText = "C:\\a.mp3\r\n";
  const std::string plsText = "[playlist]\r\nNumberOfEntries=1\r\nFile1=D:\\b.mp3\r\n";
  const std::string m3u8Text = "C:\\\xC3\xA9.mp3\r\nC:\\\xE9.mp3\r\n";
  ASSERT_TRUE(WriteWholeFile(m3u, std::vector<uint8_t>(m3uText.begin(), m3uText.end())));
  ASSERT_TRUE(WriteWholeFile(pls, std::vector<uint8_t>(plsText.begin(), plsText.end())));
  ASSERT_TRUE(WriteWholeFile(m3u8, std::vector<uint8_t>(m3u8Text.begin(), m3u8Text.end())));
  EXPECT_EQ(AddByType(m3u.c_str()), 1);
  EXPECT_EQ(AddByType(pls.c_str()), 1);
  EXPECT_EQ(AddByType(m3u8.c_str()), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"C:\\a.mp3", "D:\\b.mp3", "C:\\\xC3\xA9.mp3", "C:\\\xC3\xA9.mp3"}));

  // Addresses are entries of their own, never opened, even with Read File Info When Adding.
  ClearPlaylist();
  gSettings.readInfoOnAdd = 1;
  EXPECT_EQ(AddByType("http://radio.example:8000/live.pls"), 1);
  EXPECT_EQ(AddByType("HTTPS://radio.example/"), 1);
  EXPECT_EQ(Paths(), (std::vector<std::string>{"http://radio.example:8000/live.pls", "HTTPS://radio.example/"}));
  char path[kPathBytes];
  ASSERT_EQ(PrepareCurrent(path), 1);
  EXPECT_STREQ(path, "http://radio.example:8000/live.pls");
  EXPECT_EQ(CurrentDuration(), -1);
  EXPECT_TRUE(BoxTexts("Error...").empty());
}

TEST_F(PlaylistTest, MakeCurrentAtAPositionAsTheEditorsDoubleClickDoes) {
  EXPECT_EQ(MakeCurrentAt(0), 0) << "an empty list has no entry to make current";
  AddAll({"A", "B", "C", "D"});
  EXPECT_EQ(MakeCurrentAt(2), 1);
  EXPECT_EQ(Current(), "C");
  EXPECT_EQ(MakeCurrentAt(99), 1);
  EXPECT_EQ(Current(), "D") << "past the end: the last entry";
  EXPECT_EQ(MakeCurrentAt(-1), 0);
  EXPECT_EQ(Current(), "D");
  // The successor of a deleted current entry is the next track only until another entry is chosen.
  MakeCurrentAt(1);
  const int32_t b[] = {1};
  ASSERT_EQ(DeleteEntries(1, b), 1);
  EXPECT_EQ(Current(), "C");
  MakeCurrentAt(0);
  NextEntry();
  EXPECT_EQ(Current(), "C");
}

TEST_F(PlaylistTest, RefreshGoesToTheEditorOnly) {
  RefreshPlaylistEditor();
  SetPlaylistWindows(kOwner, nullptr);  // editor closed
  RefreshPlaylistEditor();
  ClearPlaylist();
  EXPECT_EQ(NotifyRecorder::Refreshes(), 1u);
  EXPECT_EQ(NotifyRecorder::Get().refreshes[0], kEditor);
}

}  // namespace
