// An INI document as one text, for comparing what two reads gave.
#pragma once

#include <string>

struct IniDocument;

// Every section in array order as "[name]" and its keys as "name=value",
// each on a line of its own, with the byte counts in front so that no two
// documents give the same text. With writeOrder the sections named "" come
// first, as a write-back puts them.
std::string IniDump(const IniDocument& document, bool writeOrder);
