// Resource and command identifiers, shared by the resource script and the program. Plain
// #defines, because the resource compiler understands nothing else.
#pragma once

#define IDI_PROGRAM 5
#define IDR_MENU 101

// Main menu (submenu 0)
#define IDM_ABOUT 40004
#define IDM_EXIT 40005
#define IDM_NEW_CURSOR 40007
#define IDM_SAVE_CONFIG 40032
#define IDM_HIDE_ALL 40036
#define IDM_SHOW_ALL 40038

// Property menu of a cursor (submenu 1)
#define IDM_ALPHABLEND 40017
#define IDM_LAUNCHER 40018
#define IDM_CLOSE 40019
#define IDM_BG_TEXTURE 40021
#define IDM_ON_TOP 40024
#define IDM_SHAPE_4_SLOTS 40029
#define IDM_SHAPE_6_SLOTS 40030
#define IDM_HIDE 40034
#define IDM_SHOW_IN_TASKBAR 40040
