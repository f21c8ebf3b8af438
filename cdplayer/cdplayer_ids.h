// The CD player's dialog template, control and bitmap ids: read by windres for
// resources/cdplayer.rc and by the player's code and tests.
#pragma once

#define IDD_CD_PLAY 113

#define IDC_CD_PREV 1112
#define IDC_CD_PLAY 1116
#define IDC_CD_PAUSE 1115
#define IDC_CD_STOP 1122
#define IDC_CD_NEXT 1114
#define IDC_CD_DRIVE 1113
#define IDC_CD_REPEAT 1121
#define IDC_CD_RANDOM 1118
#define IDC_CD_TRACKS 1957
#define IDC_CD_ADD 1015
#define IDC_CD_REMOVE 1222
#define IDC_CD_PROGRAM 1698
#define IDC_CD_UP 1966
#define IDC_CD_DOWN 1264
#define IDC_CD_TRACK 1642
#define IDC_CD_TIME 1635
#define IDC_CD_POSITION 1636

#define IDB_CD_PREV 2031
#define IDB_CD_PREV_GREY 2032
#define IDB_CD_REMOVE 2033
#define IDB_CD_NEXT 2034
#define IDB_CD_NEXT_GREY 2035
#define IDB_CD_PAUSE 2036
#define IDB_CD_PAUSE_GREY 2037
#define IDB_CD_PLAY 2038
#define IDB_CD_PLAY_GREY 2039
#define IDB_CD_STOP 2042
#define IDB_CD_STOP_GREY 2043
#define IDB_CD_ADD 2045
