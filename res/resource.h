// Resource and command identifiers shared by the code and the resource script.
#pragma once

#define RES_ABOUT_DIALOG 103
#define RES_APP_TITLE 103
#define CMD_ABOUT 104
#define CMD_EXIT 105
#define RES_ICON_LARGE 107
#define RES_ICON_SMALL 108
#define RES_MAIN 109
#define CMD_PATTERN_UME 32771
#define CMD_SPEED_FAST 32772
#define CMD_SPEED_NORMAL 32773
#define CMD_PATTERN_TAKE 32774
#define CMD_PATTERN_MATSU 32775
