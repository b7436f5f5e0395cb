// Paths built from a folder and a name with exactly one separator between them.
#pragma once

#include <string>

// folder + name with one '/' between them (none when the folder already ends in '/' or '\', the
// separator of folder texts written on Windows); the folder alone for an empty name, the name
// alone for an empty folder.
std::string JoinPath(const std::string& folder, const std::string& name);
