#include "platform/profile_text.h"

#include <cstring>
#include <unordered_map>
#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// One line of the text: [begin, end); the following line starts at next.
struct Line {
  size_t begin;
  size_t end;
  size_t next;
};

bool NextLine(const std::string& text, size_t pos, Line& line) {
  if (pos >= text.size()) return false;
  size_t end = pos;
  while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
  size_t next = end;
  if (next < text.size()) next += (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n') ? 2 : 1;
  line = {pos, end, next};
  return true;
}

enum class LineKind { kOther, kSection, kKey };

// What a line holds: a section header (name in [nameBegin, nameEnd)), a key (name and value), or
// anything else.
struct ParsedLine {
  LineKind kind = LineKind::kOther;
  size_t nameBegin = 0, nameEnd = 0;
  size_t valueBegin = 0, valueEnd = 0;
};

// Offset of the first `c` in [begin, end), or end.
size_t FindIn(const std::string& text, size_t begin, size_t end, char c) {
  const void* hit = begin < end ? std::memchr(text.data() + begin, c, end - begin) : nullptr;
  return hit ? size_t(static_cast<const char*>(hit) - text.data()) : end;
}

void Trim(const std::string& text, size_t& begin, size_t& end) {
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
}

ParsedLine ParseLine(const std::string& text, const Line& line) {
  ParsedLine parsed;
  size_t begin = line.begin;
  size_t end = line.end;
  Trim(text, begin, end);
  if (begin < end && text[begin] == '[') {
    const size_t close = FindIn(text, begin + 1, end, ']');
    if (close == end) return parsed;
    parsed.kind = LineKind::kSection;
    parsed.nameBegin = begin + 1;
    parsed.nameEnd = close;
    Trim(text, parsed.nameBegin, parsed.nameEnd);
    return parsed;
  }
  const size_t equals = FindIn(text, begin, end, '=');
  if (equals == end) return parsed;
  parsed.kind = LineKind::kKey;
  parsed.nameBegin = begin;
  parsed.nameEnd = equals;
  Trim(text, parsed.nameBegin, parsed.nameEnd);
  size_t valueBegin = equals + 1;
  size_t valueEnd = FindIn(text, valueBegin, end, '\0');
  Trim(text, valueBegin, valueEnd);
  if (valueEnd - valueBegin >= 2 && (text[valueBegin] == '"' || text[valueBegin] == '\'') &&
      text[valueEnd - 1] == text[valueBegin]) {
    ++valueBegin;
    --valueEnd;
  }
  parsed.valueBegin = valueBegin;
  parsed.valueEnd = valueEnd;
  return parsed;
}

bool NameIs(const std::string& text, size_t begin, size_t end, const char* name) {
  const size_t length = std::strlen(name);
  if (end - begin != length) return false;
  for (size_t i = 0; i < length; ++i) {
    if (Lower(text[begin + i]) != Lower(name[i])) return false;
  }
  return true;
}

std::string LowerName(const char* begin, size_t length) {
  std::string name(begin, length);
  for (char& c : name) c = Lower(c);
  return name;
}

bool HasLineBreak(const char* text) { return std::strpbrk(text, "\r\n") != nullptr; }

// The first section called `section`: where it is, where a new key goes, and its keys.
struct SectionLayout {
  bool found = false;
  size_t insertAt = 0;  // just after the section's last non-blank line
  // Each key name (lower case) with the first line that holds it.
  std::unordered_map<std::string, std::pair<Line, ParsedLine>> keys;
};

// Visits the lines of the first section called `section`; `visit` returns false to stop.
template <typename Visit>
bool ForSectionLines(const std::string& text, const char* section, size_t& headerNext, Visit visit) {
  bool found = false;
  Line line{};
  for (size_t pos = 0; NextLine(text, pos, line); pos = line.next) {
    const ParsedLine parsed = ParseLine(text, line);
    if (!found) {
      if (parsed.kind == LineKind::kSection && NameIs(text, parsed.nameBegin, parsed.nameEnd, section)) {
        found = true;
        headerNext = line.next;
      }
      continue;
    }
    if (parsed.kind == LineKind::kSection || !visit(line, parsed)) break;
  }
  return found;
}

}  // namespace

bool FindProfileValue(const std::string& text, const char* section, const char* key, size_t& begin,
                      size_t& length) {
  bool keyFound = false;
  size_t headerNext = 0;
  ForSectionLines(text, section, headerNext, [&](const Line&, const ParsedLine& parsed) {
    if (parsed.kind != LineKind::kKey || !NameIs(text, parsed.nameBegin, parsed.nameEnd, key)) return true;
    keyFound = true;
    begin = parsed.valueBegin;
    length = parsed.valueEnd - parsed.valueBegin;
    return false;
  });
  return keyFound;
}

std::vector<ProfileKey> ListProfileKeys(const std::string& text, const char* section) {
  std::vector<ProfileKey> keys;
  size_t headerNext = 0;
  ForSectionLines(text, section, headerNext, [&](const Line&, const ParsedLine& parsed) {
    if (parsed.kind == LineKind::kKey) {
      keys.push_back({parsed.nameBegin, parsed.nameEnd - parsed.nameBegin, parsed.valueBegin,
                      parsed.valueEnd - parsed.valueBegin});
    }
    return true;
  });
  return keys;
}

bool RemoveProfileKey(std::string& text, const char* section, const char* key) {
  std::vector<Line> lines;
  size_t headerNext = 0;
  ForSectionLines(text, section, headerNext, [&](const Line& line, const ParsedLine& parsed) {
    if (parsed.kind == LineKind::kKey && NameIs(text, parsed.nameBegin, parsed.nameEnd, key)) lines.push_back(line);
    return true;
  });
  // From the last, so that the offsets of the lines before stay as they are.
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) text.erase(line->begin, line->next - line->begin);
  return !lines.empty();
}

bool ApplyProfileWrites(std::string& text, const char* section, const ProfileString* strings, size_t count) {
  if (HasLineBreak(section)) return false;
  for (size_t i = 0; i < count; ++i) {
    // A line break would end the line early and turn the rest into lines of their own.
    if (HasLineBreak(strings[i].key) || HasLineBreak(strings[i].value)) return false;
  }

  SectionLayout layout;
  layout.found = ForSectionLines(text, section, layout.insertAt, [&](const Line& line, const ParsedLine& parsed) {
    if (parsed.kind == LineKind::kKey) {
      layout.keys.emplace(LowerName(text.data() + parsed.nameBegin, parsed.nameEnd - parsed.nameBegin),
                          std::make_pair(line, parsed));
    }
    size_t begin = line.begin;
    size_t end = line.end;
    Trim(text, begin, end);
    if (begin < end) layout.insertAt = line.next;
    return true;
  });

  // The last value written to each key wins; keys the section lacks are added in the order first written.
  std::unordered_map<size_t, size_t> replaced;  // line start -> index of the string that replaces it
  std::unordered_map<std::string, size_t> addedSlot;
  std::vector<size_t> added;  // indices of the strings that add keys
  for (size_t i = 0; i < count; ++i) {
    const std::string name = LowerName(strings[i].key, std::strlen(strings[i].key));
    const auto existing = layout.keys.find(name);
    if (existing != layout.keys.end()) {
      replaced[existing->second.first.begin] = i;
      continue;
    }
    const auto slot = addedSlot.find(name);
    if (slot != addedSlot.end()) {
      added[slot->second] = i;
    } else {
      addedSlot.emplace(name, added.size());
      added.push_back(i);
    }
  }

  std::string addedText;
  for (size_t i : added) {
    addedText += strings[i].key;
    addedText += '=';
    addedText += strings[i].value;
    addedText += "\r\n";
  }
  std::string out;
  out.reserve(text.size() + addedText.size() + 64);
  size_t copied = 0;
  if (!replaced.empty()) {
    Line line{};
    for (size_t pos = 0; NextLine(text, pos, line); pos = line.next) {
      const auto hit = replaced.find(line.begin);
      if (hit == replaced.end()) continue;
      // The key keeps the name it has in the file; the line gets the new value.
      const ParsedLine parsed = ParseLine(text, line);
      out.append(text, copied, line.begin - copied);
      out.append(text, parsed.nameBegin, parsed.nameEnd - parsed.nameBegin);
      out += '=';
      out += strings[hit->second].value;
      out += "\r\n";
      copied = line.next;
      // New keys follow a replaced last line of the section directly.
      if (layout.found && line.next == layout.insertAt && !addedText.empty()) {
        out += addedText;
        addedText.clear();
      }
    }
  }
  if (layout.found) {
    if (!addedText.empty()) {
      out.append(text, copied, layout.insertAt - copied);
      copied = layout.insertAt;
      const char before = layout.insertAt > 0 ? text[layout.insertAt - 1] : '\n';
      if (layout.insertAt > 0 && before != '\n' && before != '\r') out += "\r\n";
      out += addedText;
    }
    out.append(text, copied, std::string::npos);
  } else {
    out.append(text, copied, std::string::npos);
    if (!addedText.empty()) {
      if (!out.empty()) out += (out.back() == '\n' || out.back() == '\r') ? "\r\n" : "\r\n\r\n";
      out += "[";
      out += section;
      out += "]\r\n";
      out += addedText;
    }
  }
  text.swap(out);
  return true;
}
