// The lines the sample plug-in's recorder module writes, one per call it received, read back.
#pragma once
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/test_files.h"

struct RecordedCall {
  std::string function;  // "Init", "Render", "Quit" or "Config"
  DWORD thread = 0;
  int32_t sRate = 0, nCh = 0, spectrumNch = 0, waveformNch = 0;
  int32_t zero = 0;  // 1 when the spectrum and waveform data were all zero
  void* parent = nullptr;
  DWORD ms = 0;      // tick count of the call
};

inline std::vector<RecordedCall> ReadRecordedCalls(const std::string& path) {
  std::vector<RecordedCall> calls;
  const std::vector<uint8_t> bytes = ReadWholeFile(path);
  std::istringstream lines(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(lines, line)) {
    RecordedCall call;
    char function[16] = "";
    unsigned long thread = 0, ms = 0;
    if (std::sscanf(line.c_str(),
                    "%15s thread=%lu sRate=%d nCh=%d spectrumNch=%d waveformNch=%d zero=%d hwndParent=%p ms=%lu",
                    function, &thread, &call.sRate, &call.nCh, &call.spectrumNch, &call.waveformNch, &call.zero,
                    &call.parent, &ms) == 9) {
      call.function = function;
      call.thread = thread;
      call.ms = ms;
      calls.push_back(call);
    }
  }
  return calls;
}

// The renders recorded at or after tick count `ms`.
inline std::vector<RecordedCall> RendersSince(const std::vector<RecordedCall>& calls, DWORD ms) {
  std::vector<RecordedCall> renders;
  for (const RecordedCall& call : calls) {
    if (call.function == "Render" && call.ms >= ms) renders.push_back(call);
  }
  return renders;
}

// The functions called, in order, without the renders.
inline std::string CalledFunctions(const std::vector<RecordedCall>& calls) {
  std::string names;
  for (const RecordedCall& call : calls) {
    if (call.function != "Render") names += (names.empty() ? "" : " ") + call.function;
  }
  return names;
}
