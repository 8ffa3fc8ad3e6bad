// The whole decode path as the player runs it: tagged files, and no allocation while frames decode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "decoder/decode_buffer.h"
#include "tests/decode_file.h"
#include "tests/id3v2_tag_builder.h"
#include "tests/test_files.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZAV_COUNT_WITH_SANITIZER 1
#include <sanitizer/allocator_interface.h>
#endif
#endif

namespace {

#ifdef ZAV_COUNT_WITH_SANITIZER
volatile bool gCounting = false;
volatile long gAllocations = 0;

void CountMalloc(const volatile void*, size_t) {
  if (gCounting) gAllocations = gAllocations + 1;
}
void IgnoreFree(const volatile void*) {}
#endif

// An ID3v2.4 tag holding one picture frame of `pictureBytes` bytes, all 0xFF: every second pair of
// bytes in it looks like a frame header.
std::vector<uint8_t> PictureTag(size_t pictureBytes, bool footer) {
  const std::string head = std::string("APIC") + std::string(6, '\0') + '\0' + "image/jpeg" + '\0' + '\3' + '\0';
  std::vector<uint8_t> frame(head.begin(), head.end());
  frame.resize(frame.size() + pictureBytes, 0xFF);
  PutSyncsafe(frame, 4, frame.size() - 10);
  return Id3v2Tag(frame, footer);
}

// A picture tag (with or without a footer), or 3000 bytes of 0xFF padding that no tag covers, in front
// of the audio: the same frames and the same output.
TEST(DecodePath, WhatStandsInFrontOfTheAudioChangesNothing) {
  for (const char* name : {"l3-compl", "l2-fl11", "M2L3_compl24"}) {
    const DecodedFile plain = DecodeFileToPcm(ConformancePath(name), DecodeOptions{});
    for (int lead = 0; lead < 3; ++lead) {
      const std::vector<uint8_t> audio = ReadWholeFile(ConformancePath(name));
      std::vector<uint8_t> file = lead < 2 ? PictureTag(200000, lead == 1) : std::vector<uint8_t>(3000, 0xFF);
      file.insert(file.end(), audio.begin(), audio.end());
      const std::string path = WriteScratchFile(std::string("lead-") + name + ".mp3", file);
      const DecodedFile led = DecodeFileToPcm(path, DecodeOptions{});
      ASSERT_EQ(led.result, kTrackDone) << name << " lead " << lead;
      EXPECT_EQ(led.info.frames, plain.info.frames) << name << " lead " << lead;
      EXPECT_EQ(led.pcm, plain.pcm) << name << " lead " << lead;
    }
  }
}

#ifdef ZAV_COUNT_WITH_SANITIZER
int32_t DiscardPcm(int32_t count, const uint8_t*, const uint8_t*) { return count < kOutputBlockBytes ? count : kOutputBlockBytes; }
#endif

TEST(DecodePath, NoAllocationWhileFramesDecode) {
#ifndef ZAV_COUNT_WITH_SANITIZER
  GTEST_SKIP() << "allocations are counted through the sanitizer's allocator hooks (host build)";
#else
  __sanitizer_install_malloc_and_free_hooks(CountMalloc, IgnoreFree);
  for (const char* name : {"l1-fl1", "l2-fl11", "l3-compl", "l3-sin1k0db", "M2L3_bitrate_22_all"}) {
    const std::string path = ConformancePath(name);
    for (int quality = 0; quality < 3; ++quality) {
      for (int32_t select : {-1, 3}) {
        DecodeOptions options;
        options.quality = quality;
        options.channelSelect = select;
        ASSERT_TRUE(StartTrackDecoding(options));  // the decode buffer is taken once, here
        const WritePcmFn saved = gWritePcm;
        gWritePcm = DiscardPcm;
        TrackInfo info;
        gAllocations = 0;
        gCounting = true;
        const TrackResult result = DecodeTrack(path.c_str(), options, &info, nullptr, nullptr, nullptr);
        gCounting = false;
        gWritePcm = saved;
        ASSERT_EQ(result, kTrackDone);
        EXPECT_GT(info.frames, 10);
        EXPECT_EQ(gAllocations, 0) << name << " quality " << quality << " selection " << select;
      }
    }
  }
  __sanitizer_install_malloc_and_free_hooks(nullptr, nullptr);
#endif
}

}  // namespace
