#pragma once
// The checker's process edges: its arguments as wide strings, the current folder, UTF-8
// output, and the system's XML component made usable.
#include <string>
#include <vector>

namespace notify::checker {

std::vector<std::wstring> CommandArguments(int argc, char** argv);  // without the program name
std::wstring CurrentFolder();
// Makes the console show UTF-8 and the system XML component usable; false when it cannot be.
bool PrepareProcess();
void EndProcess();

}  // namespace notify::checker
