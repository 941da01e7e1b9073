// Why the program file could not be used, in the operator's words.
#pragma once

#include <string>

// One line with the path and the reason it cannot be read as a program (no such file, no
// permission, a folder, not a plain file), or empty where the platform has nothing to add
// to the message the operator has always had (Windows) or nothing is wrong with it.
std::string ProgramFileFailureLine(const std::string& path);
