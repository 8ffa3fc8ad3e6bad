// The preferences sheet: eight pages that edit the settings record in place. Most controls store their
// setting when clicked, the rest when the sheet closes with OK; Cancel undoes nothing. The pages of the
// plug-in host (dialog 160), of the internal visualisation (176) and of the hotkeys (185) come from
// above: the shell hands their procedures over at start-up.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <cstdint>

// Makes `procedure` the page procedure of dialog `dialogId` (160, 176 or 185; other dialogs are left as
// they are). A null procedure gives the page back its stand-in.
void SetPreferencePageProcedure(int32_t dialogId, DLGPROC procedure);

// Shows the sheet modally, owned by `owner`, and returns 1 once it has closed, by OK or Cancel; 0 when
// it could not be shown at all (nothing was edited then).
int32_t ShowPreferences(HWND owner);
// The same, opened at the page of dialog `startDialogId` (the first page when no page has it).
int32_t ShowPreferencesAt(HWND owner, int32_t startDialogId);

// What every page answers to the sheet's notifications: OK runs the page's `storeOnOk` (null: nothing
// to store) and lets the sheet close; a page may always be left; Cancel stores nothing, undoes nothing.
INT_PTR AnswerSheetNotification(HWND page, const NMHDR* note, void (*storeOnOk)(HWND page));

// Sets trackbar `id` of `page` to the range, tick spacing and position.
void SetUpSlider(HWND page, int32_t id, int32_t low, int32_t high, int32_t tickEvery, int32_t position);

// PropertySheetW; tests put a stand-in here.
extern INT_PTR(WINAPI* gPropertySheet)(LPCPROPSHEETHEADERW);

