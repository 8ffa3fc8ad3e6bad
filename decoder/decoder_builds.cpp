#include "decoder/decoder_builds.h"

#include "decoder/layer12.h"
#include "decoder/layer3/layer3.h"
#include "decoder/synthesis.h"

int32_t gBuildSelect = 1;
WindowHandle gDecoderWindow = nullptr;
int32_t gStreamErrors = 0;

void ReportStreamError() {
  if (gStreamErrors == 0) ShowMessageBox(gDecoderWindow, "Error In Stream...", "Error..", kBoxOk);
  if (gStreamErrors < INT32_MAX) ++gStreamErrors;
}

DecoderBuild gDecoderBuilds[2] = {
    {{build486::DecodeLayer1, build486::DecodeLayer2, build486::DecodeLayer3Frame}, build486::InitLayer12Tables,
     build486::InitLayer3Tables},
    {{buildPentium::DecodeLayer1, buildPentium::DecodeLayer2, buildPentium::DecodeLayer3Frame},
     buildPentium::InitLayer12Tables, buildPentium::InitLayer3Tables},
};

// Six entries per processor setting: two-channel output at full, half and quarter quality, then
// one-channel output. One-channel output always goes through the Pentium build's handlers; processor
// settings 1 and 2 both select the Pentium build.
namespace {
constexpr SynthHandlerPair k486Handlers[6] = {
    {build486::SynthFull, SynthFullDup},       {build486::SynthHalf, SynthHalfDup},
    {build486::SynthQuarter, SynthQuarterDup}, {SynthFullMono, SynthFullMono},
    {SynthHalfMono, SynthHalfMono},            {SynthQuarterMono, SynthQuarterMono},
};
constexpr SynthHandlerPair kPentiumHandlers[6] = {
    {buildPentium::SynthFull, SynthFullDup},       {buildPentium::SynthHalf, SynthHalfDup},
    {buildPentium::SynthQuarter, SynthQuarterDup}, {SynthFullMono, SynthFullMono},
    {SynthHalfMono, SynthHalfMono},                {SynthQuarterMono, SynthQuarterMono},
};
}  // namespace

#define ZAV_SIX(t) t[0], t[1], t[2], t[3], t[4], t[5]
const SynthHandlerPair kSynthHandlers[18] = {ZAV_SIX(k486Handlers), ZAV_SIX(kPentiumHandlers),
                                             ZAV_SIX(kPentiumHandlers)};
#undef ZAV_SIX

namespace {
int32_t ClampProcessor(int32_t processor) { return processor < 0 ? 0 : processor > 2 ? 2 : processor; }
int32_t ClampQuality(int32_t quality) { return quality < 0 ? 0 : quality > 2 ? 2 : quality; }
}  // namespace

void StartDecoder(int32_t processor) {
  MakeSynthTables(32767);
  gBuildSelect = ClampProcessor(processor);
}

void PrepareTrack(StreamState* s, int32_t processor, int32_t channelSelect, int32_t quality) {
  processor = ClampProcessor(processor);
  if (gBuildSelect != processor) gBuildSelect = processor;
  quality = ClampQuality(quality);
  s->channelSelect = channelSelect < 0 ? -1 : channelSelect;
  s->quality = quality;
  const int32_t monoOut = s->channelSelect >= 0 ? 1 : 0;
  const SynthHandlerPair& pair = kSynthHandlers[6 * processor + 3 * monoOut + quality];
  s->synth = pair.synth;
  s->synthMono = pair.synthMono;
  s->blockBytes = 128 >> (quality + monoOut);
  gStreamErrors = 0;
  const DecoderBuild& build = gDecoderBuilds[SelectedBuild()];
  build.initLayer12Tables();
  if (build.initLayer3Tables) build.initLayer3Tables(quality);
}
