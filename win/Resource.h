#pragma once

// Numbers shared by the resource script and the window: the menu and its
// commands. Plain macros, because the resource compiler reads this file too.

#define IDR_MENU 100

#define IDM_ENCODE 101
#define IDM_DECODE 102
#define IDM_CTOC 103
#define IDM_COPYFORMAIL 104
