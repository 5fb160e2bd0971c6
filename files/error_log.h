// The error log: "ErrorLog.txt" in the temporary folder.
#pragma once

#include <string>

// The log's path: the temporary folder (always ending in '/') and
// "ErrorLog.txt". Built anew on every call, so a changed TMPDIR is honoured.
std::string ErrorLogPath();

// Appends the text exactly as given (no line end is added; null writes
// "NULL"). Every call opens the file (created 0600 when missing, never
// through a symbolic link), appends and closes it, so each text is on disk
// at once. Up to 5 attempts to open, one right after the other; when none
// succeeds, or the write fails, the text is dropped without a report.
void ErrorLogAppend(const char* text);

// ErrorLogAppend of a printf-formatted text of any length.
void ErrorLogAppendFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
