// Resource and control ids of runkorvix's dialogs, shared by the Windows resources
// (runkorvix.rc) and the C++ of both dialogs. Plain #defines only, as the resource compiler reads
// them.
#pragma once

#define IDD_ABOUTBOX 100  // the about box
#define IDD_PARSEDLG 102  // the main dialog
#define IDR_MAINFRAME 128 // the application icon

#ifndef IDOK
#define IDOK 1
#endif
#define IDC_STATIC (-1) // a control that the program never addresses

// Controls of the main dialog.
#define IDC_INPUT_FILE 1002
#define IDC_OUTPUT_FILE 1004
#define IDC_RADIO_R 1005
#define IDC_RADIO_S 1006
#define IDC_RADIO_T 1007
#define IDC_RADIO_U 1008
#define IDC_RADIO_V 1009
#define IDC_RUN 1010
#define IDC_RADIO_W 1011
#define IDC_RADIO_OTHER 1012
#define IDC_OTHER 1013
#define IDC_INPUT_PATH 1014
#define IDC_OUTPUT_PATH 1015
#define IDC_ABOUT 1016
#define IDC_HELP_TEXT 1017
// The limits of the routes and tracks that -T to -W make.
#define IDC_LIMIT_POINTS 1018    // check box: a point limit
#define IDC_POINTS 1019          // its number of points
#define IDC_LIMIT_TOLERANCE 1020 // check box: a tolerance
#define IDC_TOLERANCE 1021       // its metres
#define IDC_SPLIT 1022           // check box: cut into parts instead of leaving points out
#define IDC_INPUT_NOTE 1023      // what the input file holds
#define IDC_OUTPUT_NOTE 1024     // what Run will do to the output path
#define IDC_FIT 1025             // check box: every track of -V and -W into one budget of waypoints
#define IDC_WAYPOINTS 1026       // its number of waypoints
#define IDC_WAYPOINTS_NOTE 1027  // the words after it: new waypoints, and with the file's own
#define IDC_PROGRESS 1028        // how far a run has read its input
#define IDC_SHOW_RUN 1029        // the picture of the last run

// The option buttons by option index: -R, -S, -T, -U, -V, -W, then the free option.
#define OPTION_BUTTON_IDS                                                                          \
    IDC_RADIO_R, IDC_RADIO_S, IDC_RADIO_T, IDC_RADIO_U, IDC_RADIO_V, IDC_RADIO_W, IDC_RADIO_OTHER
