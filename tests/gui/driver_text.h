#pragma once

#include <string>
#include <vector>

// Text helpers of the GUI driver's line protocol.
std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);
// Line ends, tabs and backslashes as \n, \r, \t and \\.
std::wstring escapeText(const std::wstring& text);
// Splits at '|'; always at least one field.
std::vector<std::wstring> splitFields(const std::wstring& line);
