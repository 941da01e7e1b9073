// The port list the operator picks from: the settings dialog and the console runner's
// --list-ports show the same texts.
#pragma once

#include <string>
#include <vector>

// "Com1" to "Com<last>" in numeric order (an entry's position is its number minus one).
// Where the platform can tell without opening anything, an entry whose device is there
// names it after two blanks: "Com1  ttyS0", "Com5  ttyUSB0 FT232R USB UART".
std::vector<std::string> ComPortListTexts(int last);
