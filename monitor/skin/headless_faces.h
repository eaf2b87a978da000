#pragma once
// The page and tray of a front end that has neither (the console, a metrics service): the status
// page's writes and calls go nowhere.

#include "skin_face.h"
#include "tray_icon.h"

class CNoSkinFace : public ISkinFace {
  public:
    bool SetElementHtml(const std::string&, const std::string&) override { return false; }
    bool RaiseSkinEvent(const std::string&) override { return false; }
};

class CNoTray : public ITrayIcon {
  public:
    bool Animate(unsigned, unsigned) override { return false; }
    void StopAnimation() override {}
    bool SetIcon(ETrayIcon) override { return false; }
    void SetErrorLogFlag(bool) override {}
};
