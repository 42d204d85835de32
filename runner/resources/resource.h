/* Resource ids of the runner. Commands share their ids between menu items,
 * accelerators and buttons. Plain defines only: the resource compiler and the
 * portable validation code both include this file. */
#ifndef NORVIK_RUNNER_RESOURCE_H
#define NORVIK_RUNNER_RESOURCE_H

/* Commands */
#define IDM_CLOSE_LIBRARY 100
#define IDM_EXIT 101
#define IDM_OPEN_LIBRARY 102
#define IDM_SAVE_RESULTS 103
#define IDM_RELOAD_LIBRARY 104
#define IDM_ABOUT 110
#define IDM_RUN_SELECTED 120
#define IDM_RUN_BATCH 121
#define IDM_RUN_TEST_FUNCTION 122
#define IDM_RUN_FAILED 123
/* Ends a run whose tests run in a worker process */
#define IDM_STOP_RUN 124
#define IDM_COLLAPSE_TREE 140
#define IDM_EXPAND_TREE 141
#define IDM_SELECT_ALL 142
#define IDM_SELECT_NONE 143
#define IDM_LIST_VIEW 150
#define IDM_XML_VIEW 151
/* Check items, remembered between starts, and the editor command's dialog */
#define IDM_AUTO_RELOAD 152
#define IDM_RUN_AFTER_RELOAD 153
#define IDM_SHADOW_COPY 154
#define IDM_EDITOR_COMMAND 155
#define IDM_SEPARATE_PROCESS 156
/* Checks break into an attached debugger; runs then go in the window's own process */
#define IDM_BREAK_ON_FAILURE 157
/* The time limit per test of runs in a worker process: none, 10 s, 30 s, 1 min, 5 min */
#define IDM_TIME_LIMIT_NONE 170
#define IDM_TIME_LIMIT_10 171
#define IDM_TIME_LIMIT_30 172
#define IDM_TIME_LIMIT_60 173
#define IDM_TIME_LIMIT_300 174
/* The recent test libraries of the File menu, most recent first */
#define IDM_RECENT_FIRST 160
#define IDM_RECENT_LAST 167
#define IDM_RECENT_SEPARATOR 168

/* Bitmaps */
#define IDB_BUTTONS 200
#define IDB_BUTTONS_DISABLED 201
#define IDB_TREE_IMAGES 202

/* Controls; the report options' check boxes, one per report item */
#define IDC_REPORT_BATCH_SUMMARY 10
#define IDC_REPORT_FAILED 11
#define IDC_REPORT_PASSED 12
#define IDC_REPORT_SKIPPED 13
#define IDC_REPORT_SUMMARY 14
#define IDC_PROGRESS 300
#define IDC_TEST_TREE 301
#define IDC_RESULT_LIST 302
#define IDC_FAILURE_LIST 303
#define IDC_XML_VIEW 304
#define IDC_ABOUT_DESCRIPTION 305
#define IDC_ABOUT_LEGAL 306
#define IDC_EDITOR_COMMAND 307

/* Dialogs */
#define IDD_ABOUT 400
#define IDD_MAIN 401
#define IDD_REPORT_OPTIONS 402
#define IDD_EDITOR_COMMAND 403

#define IDI_PROGRAM 500
#define IDR_MAIN_MENU 600
#define IDR_ACCELERATORS 700

/* Strings; the message ids that loading and validation return are among them. */
#define IDS_UNKNOWN_FORMAT 800
#define IDS_CANNOT_MAP 801
#define IDS_CANNOT_READ 802
#define IDS_NOT_WINDOWS_DLL 803
#define IDS_NEEDS_64_BIT_RUNNER 804
#define IDS_NEEDS_32_BIT_RUNNER 805
#define IDS_CANNOT_LOAD 806
#define IDS_LIBRARY_ERROR 807
#define IDS_RUN_BATCH_MENU 808
#define IDS_RUN_TEST_FUNCTION_MENU 809
#define IDS_NO_ENTRY_POINT 810
#define IDS_COLUMN_TEST_FUNCTION 811
#define IDS_COLUMN_BATCH 812
#define IDS_COLUMN_RESULT 813
#define IDS_COLUMN_TIME 814
#define IDS_COLUMN_PASSED 815
#define IDS_COLUMN_FAILED 816
#define IDS_RESULT_SKIPPED 817
#define IDS_RESULT_PASSED 818
#define IDS_RESULT_FAILED 819
#define IDS_NO_TESTS 820
#define IDS_COLUMN_LINE 821
#define IDS_COLUMN_FILE 822
#define IDS_COLUMN_MESSAGE 823
#define IDS_SAVE_FAILED 824
#define IDS_RESULT_TESTING 825
#define IDS_VERSION_FORMAT 826
#define IDS_NO_REPORT_ITEMS 827
#define IDS_DISPLAY_NAME 828
#define IDS_RUN_FAILED_MENU 829
#define IDS_NOT_RELOADED_FORMAT 830
#define IDS_RECENT_FILE_MISSING 831
#define IDS_NO_SOURCE_LINE 832
#define IDS_CANNOT_OPEN_SOURCE 833
#define IDS_SOURCE_CAPTION 834
#define IDS_WORKER_FAILED 835
#define IDS_REGISTRATION_ERRORS 836
#define IDS_MORE_REGISTRATION_ERRORS 837
#define IDS_OUTPUT_ROW 838

#endif
