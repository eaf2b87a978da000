#pragma once
// The metrics switches every front end takes:
//
//   --metrics-listen ADDRESS:PORT   serve /metrics over HTTP; ADDRESS is an IPv4 address, an
//                                   IPv6 address in brackets or "localhost", and may be left
//                                   out (":9477" or "9477") for the loopback address; port 0
//                                   takes any free port
//   --metrics-file PATH             write the metrics to PATH after every pass

#include <optional>
#include <string>
#include <vector>

struct SListenAddress {
    std::string host;  // an IP address literal, without brackets
    int port = 0;
};

struct SMetricsOptions {
    std::optional<SListenAddress> listen;
    std::string file;  // "" for none

    bool Any() const { return listen.has_value() || !file.empty(); }
};

bool ParseListenAddress(const std::string& text, SListenAddress* address, std::string* error);

// Whether an address literal is a loopback address (127.0.0.0/8, ::1, or 127.x.y.z mapped into
// IPv6): only then can no other machine reach what listens on it.
bool IsLoopbackAddress(const std::string& host);
// The line to tell at start when the metrics served at `url` on `host` can be reached from
// other machines; "" for a loopback address.
std::string ReachableNotice(const std::string& host, const std::string& url);

enum class EMetricsArgument { NotMetrics, Taken, Bad };

// Looks at args[*i]: a metrics switch is taken with its value (*i then points at the value);
// a bad one gives Bad with *error set; anything else is NotMetrics and left alone.
EMetricsArgument ParseMetricsArgument(const std::vector<std::string>& args, size_t* i,
                                      SMetricsOptions* options, std::string* error);

// The lines of the usage text for the switches above.
std::string MetricsUsage();

// "http://127.0.0.1:9477/metrics", with brackets around an IPv6 address.
std::string MetricsUrl(const std::string& host, int port);
