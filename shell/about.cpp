// The About box and the splash window.
#include "shell/about.h"

#include "resources/resource_ids.h"
#include "shell/shell_state.h"

const char kAboutText[] =
    "Zav v" ZAV_VERSION_TEXT "\r\n"
    "Written by Alan Parr at Zav Software\r\n"
    "\r\n"
    "Zav is free for private and business use. You may pass it on unchanged and free of charge; selling "
    "it needs the author's written consent.\r\n"
    "\r\n"
    "Zav is provided as is, without any warranty. The author is not liable for any loss or damage arising "
    "from its use.\r\n"
    "\r\n"
    "If you enjoy Zav, a small donation helps it grow. Please write to:\r\n"
    "Alan Parr\r\n"
    "Zav Software\r\n"
    "Unit 7, Quayside Works\r\n"
    "Harbour Road\r\n"
    "Kirkwall KW15 9ZZ\r\n"
    "Scotland";

namespace {

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      SendDlgItemMessageA(dialog, IDC_ABOUT_TEXT, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kAboutText));
      ShowWindow(dialog, SW_SHOW);
      return TRUE;
    case WM_COMMAND:
      // Only OK (or Enter) closes the box: there is no close box and Esc is not taken.
      if (LOWORD(wParam) == IDOK) {
        EndDialog(dialog, 1);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

INT_PTR CALLBACK SplashDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      ShowWindow(dialog, SW_SHOW);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK) {
        DestroyWindow(dialog);
        if (gShell.splash == dialog) gShell.splash = nullptr;
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

void ShowAboutBox(HWND owner) {
  DialogBoxParamA(gShell.instance, MAKEINTRESOURCEA(IDD_ABOUT), owner, AboutDialogProc, 0);
}

void ShowAboutBoxWithoutOwner() { ShowAboutBox(nullptr); }

void ShowSplash() {
  gShell.splash = CreateDialogParamA(gShell.instance, MAKEINTRESOURCEA(IDD_SPLASH), nullptr, SplashDialogProc, 0);
}

void CloseSplash(HWND window) {
  // Whenever a splash is up it goes, even if the setting was switched off while it showed.
  if (gShell.splash) {
    DestroyWindow(gShell.splash);
    gShell.splash = nullptr;
  }
  KillTimer(window, 2);
}
