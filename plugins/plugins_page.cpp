#include "plugins/plugins_page.h"

#include <commctrl.h>

#include <cstring>

#include "platform/folder_dialog.h"
#include "platform/notify.h"
#include "platform/win32/wide.h"
#include "plugins/plugin_host.h"
#include "plugins/plugin_scan.h"
#include "resources/resource_ids.h"
#include "settings/eq_plugin_keys.h"
#include "settings/plugin_paths.h"
#include "settings/preferences_sheet.h"
#include "settings/settings.h"

namespace {

constexpr int32_t kEnabledByScan[] = {IDC_PLUGIN_LIBRARY, IDC_PLUGIN_MODULE, IDC_PLUGIN_TEST, IDC_PLUGIN_CONFIGURE,
                                      IDC_PLUGIN_AUTO_START};

// The library the settings name, or null.
const PluginLibrary* ChosenLibrary() {
  const PluginPath chosen = PluginFile();
  for (const PluginLibrary& library : PluginLibraries()) {
    if (std::strcmp(library.path, chosen.text) == 0) return &library;
  }
  return nullptr;
}

// The sheet's windows are Unicode, so the folder shows whatever its name holds; the descriptions of
// the plug-ins are ANSI text, which the A messages hand over converted from the ANSI code page.
void ShowFolder(HWND page) { SetDlgItemTextW(page, IDC_PLUGIN_FOLDER, WideFromUtf8(PluginFolder().text).c_str()); }

// The modules of the chosen library, the one at the settings' module index selected (else the first).
void FillModules(HWND page) {
  const HWND combo = GetDlgItem(page, IDC_PLUGIN_MODULE);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  const PluginLibrary* library = ChosenLibrary();
  if (!library) return;
  for (const PluginModule& module : library->modules)
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(module.description));
  const int32_t index = gSettings.pluginModule;
  SendMessageA(combo, CB_SETCURSEL, index >= 0 && index < library->moduleCount ? index : 0, 0);
}

void FillLists(HWND page) {
  const HWND combo = GetDlgItem(page, IDC_PLUGIN_LIBRARY);
  SendMessageA(combo, CB_RESETCONTENT, 0, 0);
  const auto& libraries = PluginLibraries();
  for (const PluginLibrary& library : libraries)
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(library.description));
  if (const PluginLibrary* chosen = ChosenLibrary())
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(chosen - libraries.data()), 0);
  FillModules(page);
  for (int32_t id : kEnabledByScan) EnableWindow(GetDlgItem(page, id), PluginLibraryCount() > 0);
}

void ChooseLibrary(HWND page) {
  const LRESULT item = SendDlgItemMessageA(page, IDC_PLUGIN_LIBRARY, CB_GETCURSEL, 0, 0);
  const auto& libraries = PluginLibraries();
  if (item < 0 || static_cast<size_t>(item) >= libraries.size()) return;
  SetPluginFile(libraries[static_cast<size_t>(item)].path);
  FillModules(page);
}

void ChooseModule(HWND page) {
  const LRESULT item = SendDlgItemMessageA(page, IDC_PLUGIN_MODULE, CB_GETCURSEL, 0, 0);
  if (item >= 0) gSettings.pluginModule = static_cast<int32_t>(item);
}

// The sheet's owner is the player window, which a tested module reports to.
void TestModule(HWND page) {
  const HWND player = GetWindow(GetParent(page), GW_OWNER);
  if (IsPluginRunning()) StopPlugin();
  StartPlugin(gSettings.pluginModule, player, 2, 44100);
}

void Browse(HWND page) {
  char folder[kPathBytes];
  const int32_t chosen = ChooseFolder(page, "Please Select a directory where plugins are stored...", folder, sizeof folder);
  if (chosen < 0) {
    ShowMessageBox(page, "An Error Occurred...", "Error...", kBoxOk);
    return;
  }
  if (chosen > 0) SetPluginFolder(folder);
  // Chosen or not, the folder is scanned again and nothing in it is chosen yet.
  ShowFolder(page);
  ScanPlugins(gSettings.pluginFolder);
  SetPluginFile("");
  gSettings.pluginModule = 0;
  FillLists(page);
}

INT_PTR OnPageInit(HWND page) {
  SendDlgItemMessageW(page, IDC_PLUGIN_FOLDER, EM_LIMITTEXT, kMaxPathUnits, 0);
  ShowFolder(page);
  FillLists(page);
  CheckDlgButton(page, IDC_PLUGIN_AUTO_START, gEqPluginOptions.autoStartPlugin == 1 ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

// Stored when clicked: the next start of the player runs the chosen module.
void StoreAutoStart(HWND page) {
  gEqPluginOptions.autoStartPlugin = IsDlgButtonChecked(page, IDC_PLUGIN_AUTO_START) == BST_CHECKED ? 1 : 0;
}

INT_PTR OnPageCommand(HWND page, int32_t id, int32_t code) {
  switch (id) {
    case IDC_PLUGIN_LIBRARY:
      if (code == CBN_SELCHANGE) ChooseLibrary(page);
      return TRUE;
    case IDC_PLUGIN_MODULE:
      if (code == CBN_SELCHANGE) ChooseModule(page);
      return TRUE;
    case IDC_PLUGIN_TEST:
      if (code == BN_CLICKED) TestModule(page);
      return TRUE;
    case IDC_PLUGIN_CONFIGURE:
      if (code == BN_CLICKED) ConfigurePlugin(gSettings.pluginModule, page);
      return TRUE;
    case IDC_PLUGIN_AUTO_START:
      if (code == BN_CLICKED) StoreAutoStart(page);
      return TRUE;
    case IDC_PLUGIN_BROWSE:
      if (code == BN_CLICKED) Browse(page);
      return TRUE;
    default: return FALSE;
  }
}

// OK keeps the folder as edited (the next start or Browse scans it).
INT_PTR OnPageNotify(HWND page, const NMHDR* note) {
  return AnswerSheetNotification(page, note, [](HWND p) {
    WCHAR folder[kMaxPathUnits + 1] = L"";
    GetDlgItemTextW(p, IDC_PLUGIN_FOLDER, folder, kMaxPathUnits + 1);
    SetPluginFolder(Utf8FromWide(folder).c_str());
  });
}

}  // namespace

INT_PTR CALLBACK PluginsPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: return OnPageInit(page);
    case WM_COMMAND: return OnPageCommand(page, LOWORD(wParam), HIWORD(wParam));
    case WM_NOTIFY: return OnPageNotify(page, reinterpret_cast<const NMHDR*>(lParam));
    default: return FALSE;
  }
}
