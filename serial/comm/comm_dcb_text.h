#pragma once

#include "comm_types.h"

// Applies a line-settings text to a DCB the way the system's BuildCommDCB does, in either
// of its forms:
//   "com1:9600, e, 7, 2"        mode form: baud[,parity[,data[,stop[,x|p]]]], blanks allowed
//   "baud=9600 parity=E data=7 stop=2 xon=off dtr=on rts=on"   key form
// The "COMn:" prefix is optional. On any error the DCB is left exactly as it was and the
// result is FALSE.
BOOL ParseCommDCB(const char* text, DCB* dcb);
