// The one message-box recorder of the tests: stands in for the message-box hook, answers with a chosen
// button and keeps every box, in order, together with any events a test notes between them. Safe to use
// from several threads (the Decode thread shows boxes while the test thread reads them).
#pragma once
#include <cstdint>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "platform/notify.h"

struct RecordedBox {
  WindowHandle owner;
  std::string text;
  std::string caption;
  uint32_t style;
};

inline bool operator==(const RecordedBox& a, const RecordedBox& b) {
  return a.owner == b.owner && a.text == b.text && a.caption == b.caption && a.style == b.style;
}
// How a box reads in a failed expectation.
inline std::ostream& operator<<(std::ostream& out, const RecordedBox& box) {
  return out << '"' << box.text << "\" \"" << box.caption << "\" style " << box.style << " owner " << box.owner;
}

struct BoxRecorder {
  // Forgets what was recorded, answers `answer` from now on and installs the hook.
  static void Start(int32_t answer = kAnswerOk) {
    {
      std::lock_guard<std::mutex> hold(State().lock);
      State().boxes.clear();
      State().events.clear();
      State().answer = answer;
    }
    SetMessageBoxHook(&Record);
  }
  static void Stop() { SetMessageBoxHook(nullptr); }
  static void SetAnswer(int32_t answer) {
    std::lock_guard<std::mutex> hold(State().lock);
    State().answer = answer;
  }
  // The hook itself; a test's own hook may call it before doing more.
  static int32_t Record(WindowHandle owner, const char* text, const char* caption, uint32_t style) {
    std::lock_guard<std::mutex> hold(State().lock);
    State().boxes.push_back({owner, text ? text : "", caption ? caption : "", style});
    State().events.push_back(std::string("box:") + (caption ? caption : ""));
    return State().answer;
  }
  // Notes something that happened, in sequence with the boxes.
  static void Note(const std::string& event) {
    std::lock_guard<std::mutex> hold(State().lock);
    State().events.push_back(event);
  }
  static std::vector<RecordedBox> Boxes() {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().boxes;
  }
  static std::vector<std::string> Events() {
    std::lock_guard<std::mutex> hold(State().lock);
    return State().events;
  }

 private:
  struct Recorded {
    std::mutex lock;
    std::vector<RecordedBox> boxes;
    std::vector<std::string> events;
    int32_t answer = kAnswerOk;
  };
  static Recorded& State() {
    static Recorded recorded;
    return recorded;
  }
};
