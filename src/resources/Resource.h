// Identifiers of Quillmark's resources and commands, shared by the resource script and the code.
#pragma once

// Resources
#define IDR_MAINFRAME 128 // menu, accelerators, toolbar, toolbar bitmap, program icon
#define IDI_DOCUMENT 129  // the .php document icon: the executable's second icon
#define IDD_ABOUT 100
#define IDD_GOTO_LINE 201
#define IDD_DEFAULT_EDITOR 202
#define IDD_SYNTAX_HIGHLIGHTING 203 // the page of the preferences sheet
#define IDB_TABCLOSE 204            // 16x16 close icon of the document tabs, pure green is transparent
#define IDB_FTP_SAVE 207            // 16x16 FTP dialog buttons; the top left pixel's colour is the background
#define IDB_FTP_DELETE 208
#define IDR_LOGO 209 // placeable metafile of the About box
// The FTP dialog's template has the name "FTP" (not a number): see FtpDialog.
#define RT_QM_METAFILE "METAFILE"
#define RT_QM_TOOLBAR 241 // toolbar layout: version, width, height, count, then the button ids

// About dialog controls
#define IDC_ABOUT_GROUP 1000
#define IDC_ABOUT_LOGO 1001
#define IDC_ABOUT_NOTICE 1002
#define IDC_ABOUT_CREDITS_TITLE 1003
#define IDC_ABOUT_CREDITS 1004

// Default-editor question
#define IDC_DEFAULT_EDITOR_CHECK 1002

// Syntax Highlighting page controls
#define IDC_SYNTAX_UNDERLINE 1003
#define IDC_SYNTAX_ITALIC 1004
#define IDC_SYNTAX_TREE 1019
#define IDC_SYNTAX_FONT_TEXT 1020
#define IDC_SYNTAX_FONT 1021
#define IDC_SYNTAX_BACK 1022
#define IDC_SYNTAX_FORE 1023
#define IDC_SYNTAX_BOLD 1024

// FTP dialog controls
#define IDC_FTP_HOST 1000
#define IDC_FTP_USERNAME 1001
#define IDC_FTP_PASSWORD 1002
#define IDC_FTP_REMOTE_DIR 1003
#define IDC_FTP_LOCAL_DIR 1004
#define IDC_FTP_PASSIVE 1005
#define IDC_FTP_SESSION 1006
#define IDC_FTP_SAVE 1007
#define IDC_FTP_CONNECTIONS 1009
#define IDC_FTP_DELETE 1010
#define IDC_FTP_UPLOAD 1012
#define IDC_FTP_DOWNLOAD 1013
#define IDC_FTP_LOG 1014

// Go To Line dialog controls
#define IDC_GOTO_LINE_NUMBER 1000
#define IDC_GOTO_LINE_PROMPT 1001

// Strings
#define IDS_APP_NAME 128
#define IDS_SAVE_CHANGES 129
#define IDS_GOTO_LINE_PROMPT 131
#define IDS_MODIFIED_OUTSIDE 132
#define IDS_DELETED_OUTSIDE 133
#define IDS_NEWER_VERSION 134
#define IDS_SAVE_PASSWORD 135
#define IDS_CRASH_MESSAGE 136
#define IDS_TEXT_NOT_FOUND 150
#define IDS_REPLACED_COUNT 151
#define IDS_SETTINGS_UNREADABLE 152
#define IDS_SETTINGS_NOT_SAVED 153
#define IDS_ASSOCIATION_FAILED 154
#define IDS_INSTANCE_NOT_RESPONDING 160 // a second start found the running instance hung
#define IDS_FILE_NOT_HANDED_OVER 161
#define IDS_OVERWRITE_CHANGED 170 // before a save writes over another program's change
#define IDS_SAVE_FAILED 171       // the path, then the system's reason
#define IDS_IDLE_MESSAGE 57345    // "Ready"
#define IDS_SC_SIZE 61184         // window-menu prompts: 61184 + (SC_xxx - SC_SIZE) / 16
#define IDS_SC_MOVE 61185
#define IDS_SC_MINIMIZE 61186
#define IDS_SC_MAXIMIZE 61187
#define IDS_SC_CLOSE 61190
#define IDS_SC_RESTORE 61202
#define IDS_MRU_FILE 61402 // "Open this document"

// Commands with the standard frame identifiers
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_FILE_CLOSE 57602
#define ID_FILE_SAVE 57603
#define ID_FILE_SAVE_AS 57604
#define ID_FILE_MRU_FIRST 57616
#define ID_FILE_MRU_LAST 57631
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_FIND 57636
#define ID_EDIT_PASTE 57637
#define ID_EDIT_REPEAT 57640
#define ID_EDIT_REPLACE 57641
#define ID_EDIT_SELECT_ALL 57642
#define ID_EDIT_UNDO 57643
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_PANE_CLOSE 57682
#define ID_VIEW_TOOLBAR 59392
#define ID_VIEW_STATUS_BAR 59393

// Quillmark's own commands
#define ID_FILE_SAVE_ALL 32772
#define ID_EDIT_GOTO_LINE 32780
#define ID_INSERT_PHP_CODE 32783
#define ID_INSERT_PHP_EXPRESSION 32784
#define ID_INSERT_HTML_OPEN 32785
#define ID_INSERT_HTML_CLOSE 32786
#define ID_INSERT_PHP_STRING 32793
#define ID_INSERT_PHP_TAGGED_STRING 32794
#define ID_VIEW_TOOLS 32797
#define ID_TOOLS_FTP 32798
#define ID_INSERT_COLOR 32799
#define ID_ENCODING_ANSI 32800
#define ID_ENCODING_UTF8 32802
#define ID_FILE_PREFERENCES 32804

// Child window identifiers
#define ID_TOOLBAR 0xE800
#define ID_STATUS_BAR 0xE801
#define ID_REBAR 0xE81B
#define ID_BAND_COMMAND_BAR 0xEB00
#define ID_BAND_TOOLBAR 0xEB01
#define ID_BAND_UPDATE 0xEB02
