#pragma once
// The skin as the status page sees it: page elements by id, and the skin's event scripts.

#include <string>

class ISkinFace {
  public:
    virtual ~ISkinFace() = default;
    // Replaces the inner HTML of the page element with that id; false, and no change, when the
    // page has no such element. A skin still being built keeps the write for its new page.
    virtual bool SetElementHtml(const std::string& id, const std::string& html) = 0;
    // Runs the script the skin binds to the event's name; false when there is none.
    virtual bool RaiseSkinEvent(const std::string& name) = 0;
};
