#pragma once
// Operations on name lists kept as one string, each item followed by a delimiter.
// Positions are 1-based; -1 means "not found".
#include <string>

int CharPosition(const std::string& s, char ch);
int FirstOfCharsPosition(const std::string& s, const std::string& delimiters);
std::string TailFrom(const std::string& s, int index);
// Cuts the leading item and the one delimiter behind it off the list.
std::string TakeToken(std::string& list, const std::string& delimiters);
