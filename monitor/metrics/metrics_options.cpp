#include "metrics_options.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <charconv>

namespace {

constexpr const char* LOOPBACK = "127.0.0.1";

bool IsIpv4(const std::string& host) {
    in_addr a{};
    return ::inet_pton(AF_INET, host.c_str(), &a) == 1;
}

bool IsIpv6(const std::string& host) {
    in6_addr a{};
    return ::inet_pton(AF_INET6, host.c_str(), &a) == 1;
}

}  // namespace

bool ParseListenAddress(const std::string& text, SListenAddress* address, std::string* error) {
    std::string host;
    std::string port;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            *error = "--metrics-listen needs [IPv6 address]:PORT, not \"" + text + "\"";
            return false;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (!IsIpv6(host)) {
            *error = "--metrics-listen: \"" + host + "\" is not an IPv6 address";
            return false;
        }
    } else {
        const size_t colon = text.rfind(':');
        if (colon != std::string::npos && text.find(':') != colon) {
            *error = "--metrics-listen: write an IPv6 address in brackets, as [::1]:9477";
            return false;
        }
        host = colon == std::string::npos ? "" : text.substr(0, colon);
        port = colon == std::string::npos ? text : text.substr(colon + 1);
        if (host.empty() || host == "localhost") {
            host = LOOPBACK;
        } else if (!IsIpv4(host)) {
            *error = "--metrics-listen: \"" + host +
                     "\" is not an IPv4 address (host names are not looked up)";
            return false;
        }
    }
    int value = -1;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || value < 0 ||
        value > 65535) {
        *error = "--metrics-listen needs a port from 0 to 65535, not \"" + port + "\"";
        return false;
    }
    address->host = host;
    address->port = value;
    return true;
}

bool IsLoopbackAddress(const std::string& host) {
    in_addr v4{};
    if (::inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (::inet_pton(AF_INET6, host.c_str(), &v6) != 1)
        return false;
    if (IN6_IS_ADDR_LOOPBACK(&v6))
        return true;
    return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
}

std::string ReachableNotice(const std::string& host, const std::string& url) {
    if (IsLoopbackAddress(host))
        return "";
    const bool any = host == "0.0.0.0" || host == "::";
    return "the metrics at " + url + " are reachable from other machines (" +
           (any ? "every address of this machine" : "a network address") +
           "); anyone who can reach the port can read them. Listen on 127.0.0.1 or [::1] to "
           "keep them on this machine";
}

EMetricsArgument ParseMetricsArgument(const std::vector<std::string>& args, size_t* i,
                                      SMetricsOptions* options, std::string* error) {
    const std::string& a = args[*i];
    if (a != "--metrics-listen" && a != "--metrics-file")
        return EMetricsArgument::NotMetrics;
    if (*i + 1 == args.size() || args[*i + 1].empty()) {
        *error = a == "--metrics-listen" ? "--metrics-listen needs ADDRESS:PORT"
                                         : "--metrics-file needs a file name";
        return EMetricsArgument::Bad;
    }
    const std::string& value = args[++*i];
    if (a == "--metrics-file") {
        options->file = value;
        return EMetricsArgument::Taken;
    }
    SListenAddress address;
    if (!ParseListenAddress(value, &address, error))
        return EMetricsArgument::Bad;
    options->listen = address;
    return EMetricsArgument::Taken;
}

std::string MetricsUsage() {
    return "  --metrics-listen ADDRESS:PORT\n"
           "               serve Prometheus metrics at http://ADDRESS:PORT/metrics (\":9477\":\n"
           "               the loopback address; [::1]:9477 for IPv6; port 0: any free port)\n"
           "  --metrics-file PATH\n"
           "               write the metrics to PATH after every pass, for node_exporter's\n"
           "               textfile collector (PATH ending in .prom in its directory)\n";
}

std::string MetricsUrl(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port) + "/metrics";
}
