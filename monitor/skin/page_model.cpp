#include "page_model.h"

#include "markup_text.h"

bool CPageModel::SetElementHtml(const std::string& id, const std::string& html) {
    m_elements[id] = html;
    return true;
}

bool CPageModel::RaiseSkinEvent(const std::string& /*name*/) {
    return false;
}

std::string CPageModel::Html(const std::string& id) const {
    auto it = m_elements.find(id);
    return it == m_elements.end() ? std::string() : it->second;
}

std::string CPageModel::Text(const std::string& id) const {
    return StripMarkup(Html(id));
}
