// The user's standard folders, by the XDG base-directory and user-dirs
// conventions. Answers are absolute paths without a trailing '/', or empty
// when the environment names no such folder (no HOME and no XDG variable).
// Nothing is created here.
#pragma once

#include <string>

// $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs (default $HOME/.config), else
// $HOME/Documents.
std::string PlatformDocumentsFolder();

// $XDG_DATA_HOME, else $HOME/.local/share.
std::string PlatformAppDataFolder();
