// Identifiers shared by the program and its resource script: RES_ names a
// resource, CMD_ a menu or accelerator command. Both compilers read this file,
// so it holds nothing but plain #defines.
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
