#include "wmi_query.h"

#include "wbem_status.h"

namespace {

constexpr const char* MESSAGE_CAPTION = "VORNPILOT";

}  // namespace

CWmiQuery::CWmiQuery(IWmiProvider& provider, INotifier& notifier)
    : m_provider(provider), m_notifier(notifier) {}

CWmiQuery::~CWmiQuery() {
    m_connected = false;
    m_provider.EndCom();
}

bool CWmiQuery::InitCom() {
    uint32_t status = m_provider.StartCom();
    if (WbemFailed(status)) {
        m_notifier.ShowMessage(MESSAGE_CAPTION, "Failed to initialize OLE");
        return false;
    }
    if (status == WBEM_S_FALSE) {
        return true;
    }
    if (WbemFailed(m_provider.SetComSecurity())) {
        m_notifier.ShowMessage(MESSAGE_CAPTION, "Failed to fix security");
        return false;
    }
    return true;
}

bool CWmiQuery::Connect(const std::string& nameSpace) {
    m_connected = !WbemFailed(m_provider.Connect(nameSpace));
    return m_connected;
}

Variant CWmiQuery::GetFirstInstanceProperty(const std::string& className,
                                            const std::string& propertyName) {
    std::vector<WmiInstance> instances;
    uint32_t status = m_provider.EnumerateInstances(className, instances);
    if (WbemFailed(status)) {
        m_notifier.ShowMessage(MESSAGE_CAPTION, WbemErrorName(status));
        return {};
    }
    if (instances.empty()) {
        return {};
    }
    auto it = instances.front().find(propertyName);
    return it == instances.front().end() ? Variant{} : it->second;
}

std::string QueryWmiProperty(IWmiProvider& provider, INotifier& notifier,
                             const std::string& className, const std::string& propertyName) {
    CWmiQuery query(provider, notifier);
    query.InitCom();
    if (!query.Connect(WMI_NAMESPACE)) {
        return "";
    }
    return VariantToText(query.GetFirstInstanceProperty(className, propertyName));
}
