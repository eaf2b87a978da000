#pragma once
// A page without a window: it keeps the HTML each element was last given, for the console front
// end to show. It knows every element id and no skin events.

#include <map>
#include <string>

#include "skin_face.h"

class CPageModel : public ISkinFace {
  public:
    bool SetElementHtml(const std::string& id, const std::string& html) override;
    // No skin, so no event scripts: false, nothing runs.
    bool RaiseSkinEvent(const std::string& name) override;

    // The element's HTML; "" when it was never set.
    std::string Html(const std::string& id) const;
    // The same as plain text (StripMarkup).
    std::string Text(const std::string& id) const;
    bool Has(const std::string& id) const { return m_elements.count(id) != 0; }

  private:
    std::map<std::string, std::string> m_elements;
};
