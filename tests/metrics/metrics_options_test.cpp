// The listen addresses of --metrics-listen (the switches on a whole command line are in the
// console options' test).

#include "metrics_options.h"

#include <gtest/gtest.h>

namespace {

// Only a loopback address keeps the metrics on this machine; every other one is told at start.
TEST(MetricsOptions, AddressesBeyondLoopbackAreTold) {
    struct Case {
        const char* host;
        bool loopback;
        const char* says;
    };
    const Case cases[] = {
        {"127.0.0.1", true, ""},
        {"127.1.2.3", true, ""},
        {"::1", true, ""},
        {"::ffff:127.0.0.1", true, ""},
        {"0.0.0.0", false, "every address of this machine"},
        {"::", false, "every address of this machine"},
        {"192.168.1.5", false, "a network address"},
        {"fe80::1", false, "a network address"},
        {"::ffff:10.0.0.1", false, "a network address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        EXPECT_EQ(IsLoopbackAddress(c.host), c.loopback);
        const std::string url = MetricsUrl(c.host, 9477);
        const std::string notice = ReachableNotice(c.host, url);
        if (c.loopback) {
            EXPECT_EQ(notice, "");
        } else {
            EXPECT_EQ(notice.find("the metrics at " + url + " are reachable from other machines"),
                      0u)
                << notice;
            EXPECT_NE(notice.find(c.says), std::string::npos) << notice;
        }
    }
}

TEST(MetricsOptions, ListenAddresses) {
    struct Case {
        const char* text;
        bool ok;
        const char* host;
        int port;
    };
    const Case cases[] = {
        {"127.0.0.1:9477", true, "127.0.0.1", 9477},
        {":9477", true, "127.0.0.1", 9477},  // loopback unless told otherwise
        {"9477", true, "127.0.0.1", 9477},
        {"localhost:9477", true, "127.0.0.1", 9477},
        {"0.0.0.0:9477", true, "0.0.0.0", 9477},
        {"[::1]:9477", true, "::1", 9477},
        {"127.0.0.1:0", true, "127.0.0.1", 0},
        {"127.0.0.1:65535", true, "127.0.0.1", 65535},
        {"127.0.0.1:65536", false, "", 0},
        {"127.0.0.1:-1", false, "", 0},
        {"127.0.0.1:", false, "", 0},
        {"127.0.0.1:94x", false, "", 0},
        {"example.org:9477", false, "", 0},  // no name look-ups
        {"300.1.1.1:9477", false, "", 0},
        {"::1:9477", false, "", 0},  // IPv6 needs brackets
        {"[::1]9477", false, "", 0},
        {"[127.0.0.1]:9477", false, "", 0},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        SListenAddress a;
        std::string error;
        ASSERT_EQ(ParseListenAddress(c.text, &a, &error), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_NE(error.find("--metrics-listen"), std::string::npos) << c.text << ": " << error;
            continue;
        }
        EXPECT_EQ(a.host, c.host) << c.text;
        EXPECT_EQ(a.port, c.port) << c.text;
    }
    EXPECT_EQ(MetricsUrl("::1", 9477), "http://[::1]:9477/metrics");
    EXPECT_EQ(MetricsUrl("127.0.0.1", 80), "http://127.0.0.1:80/metrics");
}

}  // namespace
