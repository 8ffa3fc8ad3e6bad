// Argument strings to playlist additions, with every path made absolute first.
#include "shell/open_arguments.h"

#include "platform/notify.h"
#include "platform/win32/wide.h"
#include "playlist/playlist.h"
#include "playlist/playlist_files.h"
#include "settings/settings.h"
#include "shell/command_line.h"
#include "shell/playback_control.h"
#include "shell/shell_state.h"

namespace {

constexpr size_t kNamedInBox = 3;

// The absolute form of `path`; false (with `path` itself in `out`) when that form would not fit a
// playlist entry. A stream's address is absolute as it stands.
bool MakeAbsolute(const char* path, std::string* out) {
  if (IsStreamPath(path)) {
    out->assign(path);
    return Utf16Length(path) <= kMaxPathUnits;
  }
  const std::wstring wide = WideFromUtf8(path);
  const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  out->assign(path);
  if (needed == 0) return Utf16Length(path) <= kMaxPathUnits;
  if (needed > kMaxPathUnits + 1) return false;
  WCHAR absolute[kMaxPathUnits + 1];
  const DWORD length = GetFullPathNameW(wide.c_str(), needed, absolute, nullptr);
  if (length == 0 || length >= needed) return Utf16Length(path) <= kMaxPathUnits;
  *out = Utf8FromWide(absolute, int32_t(length));
  return true;
}

void AddOne(const char* path, void* context) {
  if (gShell.closing) return;
  std::string absolute;
  if (!MakeAbsolute(path, &absolute)) {
    static_cast<SkippedPaths*>(context)->paths.push_back(absolute);
    return;
  }
  AddByType(absolute.c_str());
}

struct QuotedPaths {
  std::string text;
  SkippedPaths* skipped;
};

void QuoteOne(const char* path, void* context) {
  QuotedPaths& out = *static_cast<QuotedPaths*>(context);
  std::string absolute;
  if (!MakeAbsolute(path, &absolute)) {
    out.skipped->paths.push_back(absolute);
    return;
  }
  if (!out.text.empty()) out.text += ' ';
  out.text += '"';
  out.text += absolute;
  out.text += '"';
}

}  // namespace

int32_t AddOpenArguments(const char* text, size_t length, SkippedPaths* skipped) {
  if (!text) return 0;
  return SplitOpenArguments(text, length, AddOne, skipped);
}

std::string AbsoluteOpenArguments(const char* text, size_t length, SkippedPaths* skipped) {
  QuotedPaths out{{}, skipped};
  if (text) SplitOpenArguments(text, length, QuoteOne, &out);
  return out.text;
}

void ReportSkippedPaths(HWND owner, const SkippedPaths& skipped) {
  if (skipped.paths.empty()) return;
  std::string text = skipped.paths.size() == 1 ? "This path is too long to play (over 259 characters):"
                                               : "These paths are too long to play (over 259 characters):";
  for (size_t i = 0; i < skipped.paths.size() && i < kNamedInBox; ++i) text += "\n\n" + skipped.paths[i];
  if (skipped.paths.size() > kNamedInBox)
    text += "\n\nand " + std::to_string(skipped.paths.size() - kNamedInBox) + " more.";
  text += "\n\nThey were not added to the playlist.";
  ShowMessageBox(owner, text.c_str(), "Error...", kBoxOk);
}

void OpenArgumentString(HWND window, const std::string& text) {
  ClearPlaylist();
  SkippedPaths skipped;
  AddOpenArguments(text.data(), text.size(), &skipped);
  if (gShell.closing) return;  // the window went while an "Adding Directory..." box was up
  RefreshPlaylistEditor();
  if (gSettings.autoPlay) RestartFromFirst(window, 20);
  ReportSkippedPaths(window, skipped);
}
