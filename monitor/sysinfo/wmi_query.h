#pragma once
// The WMI-style query: one property of the first instance of a class, as text. Each query runs
// the whole cycle (COM start, security, connection, enumeration, release, COM end); nothing is
// kept between queries.

#include <cstdint>
#include <string>

#include "notifier.h"
#include "variant.h"
#include "wmi_provider.h"

class CWmiQuery {
  public:
    CWmiQuery(IWmiProvider& provider, INotifier& notifier);
    // Drops the connection, then ends this object's COM use once, whatever InitCom gave.
    ~CWmiQuery();
    CWmiQuery(const CWmiQuery&) = delete;
    CWmiQuery& operator=(const CWmiQuery&) = delete;

    // Starts COM on the thread and, when this is its first start there, sets COM security. Each
    // failure is shown to the user and gives false.
    bool InitCom();
    bool Connect(const std::string& nameSpace);
    // The property of the class's first instance; empty when there is none. A failed enumeration
    // is shown to the user with the status code's name.
    Variant GetFirstInstanceProperty(const std::string& className, const std::string& propertyName);

  private:
    IWmiProvider& m_provider;
    INotifier& m_notifier;
    bool m_connected = false;
};

// The property of the first instance of the class in the namespace "\\.\root\cimv2" as text:
// "" when the namespace cannot be opened, "NULL" when there is no instance or no value.
std::string QueryWmiProperty(IWmiProvider& provider, INotifier& notifier,
                             const std::string& className, const std::string& propertyName);
