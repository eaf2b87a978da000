#include "script_bridge.h"

#include "page_document.h"

bool CScriptBridge::SetDocument(IPageDocument* document) {
    if (document == nullptr) {
        RecordError("NULL pointer");
        return false;
    }
    m_document = document;
    return true;
}

bool CScriptBridge::CallFunction(const std::string& name, const std::vector<std::string>& args) {
    if (!name.empty() && name.find('.') != std::string::npos) {
        if (m_document != nullptr)
            m_document->RunScript(name);
        return true;
    }
    if (m_document == nullptr) {
        RecordError("Cannot GetScript");
        return false;
    }
    if (!m_document->HasFunction(name) || !m_document->CallFunction(name, args)) {
        RecordError("Unknown name.");
        return false;
    }
    return true;
}

void CScriptBridge::RecordError(const std::string& message) {
    m_lastError = "JSCall Error:\n" + message;
}
