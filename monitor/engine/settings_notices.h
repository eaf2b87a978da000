#pragma once
// What the program has to tell the user about the settings file: damaged, unreadable, not saved,
// an item's values replaced. Each notice goes to standard error at once and is kept for the
// process, so that a front end without a terminal can show it too.

#include <string>
#include <vector>

// A sentence without the program's name and without the line end.
void SettingsNotice(const std::string& text);

// Every different notice given so far, oldest first. A notice given again (a save refused at
// each change) is kept once; after the first 32 different ones no more are kept.
std::vector<std::string> SettingsNotices();
