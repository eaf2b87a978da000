#pragma once
// The metrics exporters a front end starts from its command line: the HTTP server and the
// metrics file. Both show passes from their snapshots only; the front end hands over each pass
// when it has ended, on its own thread.

#include <cstdio>
#include <memory>
#include <string>

#include "metrics_file.h"
#include "metrics_options.h"
#include "metrics_server.h"

// The exit status of a front end whose metrics could not start: an address in use, a file that
// cannot be written.
inline constexpr int EXIT_NO_METRICS = 4;

class CMetricsOutputs {
  public:
    // Notices (where the metrics are served, a metrics file that cannot be written any more)
    // go to `notices`.
    explicit CMetricsOutputs(std::FILE* notices = stderr) : m_notices(notices) {}
    ~CMetricsOutputs();
    CMetricsOutputs(const CMetricsOutputs&) = delete;
    CMetricsOutputs& operator=(const CMetricsOutputs&) = delete;

    // Starts what the options ask for before the monitor touches the chip. False, with *error
    // set and nothing left running, when the address cannot be bound or the file not written.
    bool Start(const SMetricsOptions& options, CMetricsServer::SnapshotSource source,
               std::string* error);
    // After a pass: rewrites the metrics file. A failure is told once, and so is the recovery.
    void Publish(const SPassSnapshot& pass);
    // Stops the server and removes the metrics file.
    void Stop();

    // Where the server answers, "" when none runs.
    std::string Url() const { return m_url; }

  private:
    std::FILE* m_notices;
    std::unique_ptr<CMetricsServer> m_server;
    std::unique_ptr<CMetricsFile> m_file;
    std::string m_url;
    bool m_fileFailing = false;
};
