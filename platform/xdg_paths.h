#pragma once
// The user's home and configuration folders as the XDG base directory rules give them.

#include <string>

// $HOME, else the home folder of the user's account; "" when neither is known.
std::string HomeDirectory();
// $XDG_CONFIG_HOME when it is an absolute path (relative values are invalid and ignored), else
// ~/.config.
std::string XdgConfigHome();
// $XDG_STATE_HOME when it is an absolute path, else ~/.local/state.
std::string XdgStateHome();
