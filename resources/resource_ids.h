// Numbers of the resources compiled into zav.exe and of the commands they send. Included by zav.rc
// (through windres' preprocessor) and by the C++ code, so both sides always agree. Plain #defines only:
// the resource compiler understands nothing else.
#pragma once

// Icon and bitmaps.
#define IDI_ZAV 101
#define IDB_BODY 103         // 258 x 116 window artwork, idle state
#define IDB_FONT 119         // 393 x 7: 6 x 6 glyphs for characters 32..96, glyph k at x = 6k
#define IDB_DIGITS 122       // 222 x 27: digits 0..9 and a colon, glyph k at x = 20k
#define IDB_BUTTONS 134      // 200 x 71: 10 columns x 4 rows of 19 x 17 button faces
#define IDB_PIN_LIT 169      // 16 x 15 lit always-on-top pin
#define IDB_RING_LIT 172     // 55 x 55 lit seek ring, centre (29, 26)
#define IDB_SPLASH 180       // 160 x 280 splash picture

// Menus and the accelerator table.
#define IDM_POPUP 102        // sub-menus "_POPUP_" (0), "_SONGNAME_" (1), "_TIME_" (2)
#define IDM_SORT 147         // sub-menu "_SORT_"
#define IDA_PLAYER 120

// Dialogs.
#define IDD_ABOUT 105
#define IDD_PREFS_PAGE_107 107
#define IDD_PLAYLIST_EDITOR 145
#define IDD_EQUALIZER 157
#define IDD_PREFS_PAGE_160 160
#define IDD_PREFS_PAGE_164 164
#define IDD_PREFS_PAGE_174 174
#define IDD_PREFS_PAGE_175 175
#define IDD_VISUALISATION_PAGE 176
#define IDD_SPLASH 179
#define IDD_OPEN_URL 181
#define IDD_EQ_PRESET_NAME 182
#define IDD_TAG_EDITOR 183
#define IDD_PLAYBACK_PAGE 184
#define IDD_HOTKEYS_PAGE 185

// Controls of the "Open URL..." dialog: the address.
#define IDC_OPEN_URL_ADDRESS 1262

// The name box of the equalizer's "Save..." button.
#define IDC_EQ_PRESET_NAME 1263

// The tag editor's fields.
#define IDC_TAG_TITLE 1264
#define IDC_TAG_ARTIST 1265
#define IDC_TAG_ALBUM 1266
#define IDC_TAG_YEAR 1267
#define IDC_TAG_TRACK 1268
#define IDC_TAG_GENRE 1269
#define IDC_TAG_COMMENT 1270
#define IDC_TAG_FILE 1271

// Controls of the About box.
#define IDC_ABOUT_TEXT 1228

// Controls of the equalizer (dialog 157): its 12 sliders low to high, the frequency caption under
// each, the switch, the presets (list, save, delete, load from the genre) and Reset.
#define IDC_EQ_SLIDER_FIRST 1106    // .. 1117
#define IDC_EQ_SLIDER_LAST 1117
#define IDC_EQ_CAPTION_FIRST 1250   // .. 1261
#define IDC_EQ_ENABLED 1140
#define IDC_EQ_PRESET 1142
#define IDC_EQ_PRESET_FROM_GENRE 1143
#define IDC_EQ_RESET 1148
#define IDC_EQ_PRESET_SAVE 1149
#define IDC_EQ_PRESET_DELETE 1150

// Controls of the Visualisation page (dialog 176).
#define IDC_VIS_OSCILLOSCOPE 1219
#define IDC_VIS_ANALYSER 1220
#define IDC_VIS_COLOUR_CLOUD 1221
#define IDC_VIS_REFRESH_RATE 1223  // trackbar 0 Slow .. 6 Fast
#define IDC_VIS_DECAY_RATE 1224
#define IDC_VIS_SCOPE_COLOUR 1225

// Controls of the playlist editor (its "Close" button is IDOK).
#define IDC_PLAYLIST_UP 1093
#define IDC_PLAYLIST_DOWN 1094
#define IDC_PLAYLIST_DELETE 1095
#define IDC_PLAYLIST_ADD_ITEMS 1096
#define IDC_PLAYLIST_LOAD 1097
#define IDC_PLAYLIST_SAVE 1098
#define IDC_PLAYLIST_SHUFFLE 1099
#define IDC_PLAYLIST_SORT 1100
#define IDC_PLAYLIST_ADD_DIR 1101
#define IDC_PLAYLIST_EDIT_TAG 1102
#define IDC_PLAYLIST_DELETE_ALL 1103
#define IDC_PLAYLIST_ADD_PLAYLIST 1104
#define IDC_PLAYLIST_TOTAL_TIME 1128
#define IDC_PLAYLIST_SONG_TIME 1129
#define IDC_PLAYLIST_LIST 1147
#define IDC_PLAYLIST_CROP 1212

// Commands: menu items, accelerators and the skin buttons (whose control ids are their commands).
#define IDM_CLOSE 40001
#define IDM_OPEN_FILE 40002
#define IDM_OPEN_URL 40003
#define IDM_PREFERENCES 40004
#define IDM_HELP_CONTENTS 40005
#define IDM_ABOUT 40006
#define IDM_EQUALIZER 40008
#define IDM_PLAY 40009
#define IDM_PAUSE 40010
#define IDM_STOP 40011
#define IDM_NEXT 40012
#define IDM_PREVIOUS 40013
#define IDM_ALWAYS_ON_TOP 40014
#define IDM_PLAYLIST_EDITOR 40017
#define IDM_HOMEPAGE 40018
#define IDM_REPEAT 40020
#define IDM_SHUFFLE 40021
#define IDM_TAG_EDITOR 40022
#define IDM_SORT_ASCENDING 40033
#define IDM_AUTOSCROLL 40051
#define IDM_PLUGIN_EXECUTE 40057
#define IDM_PLUGIN_TERMINATE 40058
#define IDM_PLUGIN_OPTIONS 40059
#define IDM_CONTEXT_MENU_KEY 40071
#define IDM_TIME_ELAPSED 40072
#define IDM_TIME_REMAINING 40073
#define IDM_SORT_DESCENDING 40074
#define IDM_VIS_ACTIVATE 40075
#define IDM_VIS_OPTIONS 40076
#define IDM_DOUBLE_SIZE 40300  // the player window at twice its start scale, or back

// The version the program reports in its title, About box and version resource.
#define ZAV_VERSION_TEXT "0.77"
#define ZAV_VERSION_BINARY 0, 77, 0, 0

// The pages of the preferences sheet this program defines itself, and their controls: General (107),
// Audio Output (164), Audio Buffering (175) and URL Streaming (174: the connection, and the saving of
// streams).
#define IDD_GENERAL_PAGE IDD_PREFS_PAGE_107
#define IDD_AUDIO_OUTPUT_PAGE IDD_PREFS_PAGE_164
#define IDD_AUDIO_BUFFERING_PAGE IDD_PREFS_PAGE_175
#define IDD_URL_STREAMING_PAGE IDD_PREFS_PAGE_174
#define IDC_GENERAL_486 1166             // processor radios
#define IDC_GENERAL_PENTIUM 1167
#define IDC_GENERAL_PENTIUM_PRO 1168
#define IDC_GENERAL_TO_TASKBAR 1169      // minimize radios
#define IDC_GENERAL_TO_TRAY 1170
#define IDC_GENERAL_ALWAYS_ON_TOP 1171
#define IDC_GENERAL_BUFFER_FILE 1172
#define IDC_GENERAL_READ_INFO 1173
#define IDC_GENERAL_MULTIPLE_INSTANCES 1174
#define IDC_GENERAL_SHOW_SPLASH 1175
#define IDC_GENERAL_AUTO_SCROLL 1176
#define IDC_GENERAL_LOCK_TO_SCREEN 1177
#define IDC_GENERAL_AUTO_PLAY 1179
#define IDC_GENERAL_SCROLL_SPEED 1180    // trackbar 1..5
#define IDC_GENERAL_SKIP_PROTECTION 1222
#define IDC_AUDIO_DEVICE 1178            // combo box
#define IDC_AUDIO_FULL_QUALITY 1182
#define IDC_AUDIO_HALF_QUALITY 1183
#define IDC_AUDIO_QUARTER_QUALITY 1184
#define IDC_AUDIO_STEREO 1185
#define IDC_AUDIO_MONO 1186
#define IDC_AUDIO_LEFT_CHANNEL 1188      // enabled while "Mono" is chosen
#define IDC_AUDIO_SPEED 1214             // trackbar 0..20: -10 % .. +10 %
#define IDC_BUFFER_BLOCKS 1106           // trackbar 10..400
#define IDC_BUFFER_SECONDS 1164          // its label
#define IDC_BUFFER_PREBUFFER 1163        // check box
#define IDC_BUFFER_PERCENT 1160          // trackbar 0..100
#define IDC_BUFFER_PERCENT_TEXT 1165     // its label
#define IDC_URL_BROWSE 1199
#define IDC_URL_PATH 1200
#define IDC_URL_PLAY_ONLY 1201
#define IDC_URL_PLAY_AND_SAVE 1202
#define IDC_URL_SAVE_ONLY 1203
#define IDC_URL_PLAY_AFTER_SAVE 1204
#define IDC_URL_SPEED 1206               // combo box of connection speeds
#define IDC_URL_EXTRA_DATA 1207
#define IDC_URL_CHECK_TAG 1208
// The Playback page's ReplayGain group.
#define IDC_RG_OFF 1700                  // mode radio buttons: off, track, album
#define IDC_RG_TRACK 1701
#define IDC_RG_ALBUM 1702
#define IDC_RG_PREAMP 1703               // trackbar 0..30: -15 .. +15 dB
#define IDC_RG_PREAMP_TEXT 1704          // its label
#define IDC_RG_UNTAGGED 1705             // trackbar 0..30: -15 .. +15 dB
#define IDC_RG_UNTAGGED_TEXT 1706        // its label
#define IDC_RG_PREVENT_CLIPPING 1707     // check box

// The "Plugins" page of the preferences sheet (dialog 160).
#define IDD_PLUGINS_PAGE IDD_PREFS_PAGE_160
#define IDC_PLUGIN_LIBRARY 1189
#define IDC_PLUGIN_MODULE 1190
#define IDC_PLUGIN_TEST 1191
#define IDC_PLUGIN_CONFIGURE 1192
#define IDC_PLUGIN_AUTO_START 1193
#define IDC_PLUGIN_BROWSE 1194
#define IDC_PLUGIN_FOLDER 1195

// Controls of the Hotkeys page (dialog 185): the two switches, a hotkey control for each action (play/
// pause, stop, next, previous, volume up, volume down) and the line naming keys other programs hold.
#define IDC_HOTKEYS_MEDIA_KEYS 1730
#define IDC_HOTKEYS_ENABLED 1731
#define IDC_HOTKEYS_FIRST 1732   // .. 1737
#define IDC_HOTKEYS_STATUS 1738
#define IDC_HOTKEYS_DEFAULTS 1739

// Resume and "Jump to file": the Playback page's Start Up group, the jump dialog and its command (J).
#define IDD_JUMP_TO_FILE 186
#define IDC_STARTUP_RESUME 1760
#define IDC_STARTUP_PAUSED 1761
#define IDC_JUMP_SEARCH 1762
#define IDC_JUMP_LIST 1763
#define IDC_JUMP_COUNT 1764
#define IDM_JUMP_TO_FILE 40310
