#include "metrics_outputs.h"

#include "metrics_text.h"
#include "pass_snapshot.h"

CMetricsOutputs::~CMetricsOutputs() {
    Stop();
}

bool CMetricsOutputs::Start(const SMetricsOptions& options, CMetricsServer::SnapshotSource source,
                            std::string* error) {
    if (!options.file.empty()) {
        auto file = std::make_unique<CMetricsFile>(options.file);
        if (!file->Check(error))
            return false;
        m_file = std::move(file);
    }
    if (options.listen) {
        auto server = std::make_unique<CMetricsServer>(std::move(source));
        if (!server->Start(options.listen->host, options.listen->port, error)) {
            m_file.reset();
            return false;
        }
        m_url = MetricsUrl(options.listen->host, server->Port());
        m_server = std::move(server);
        std::fprintf(m_notices, "vornpilot: metrics at %s\n", m_url.c_str());
        if (const std::string notice = ReachableNotice(options.listen->host, m_url);
            !notice.empty())
            std::fprintf(m_notices, "vornpilot: %s\n", notice.c_str());
        std::fflush(m_notices);
    }
    return true;
}

void CMetricsOutputs::Publish(const SPassSnapshot& pass) {
    if (!m_file)
        return;
    std::string error;
    const bool ok = m_file->Write(MetricsText(&pass), &error);
    if (!ok && !m_fileFailing) {
        std::fprintf(m_notices, "vornpilot: %s (trying again every pass)\n", error.c_str());
    } else if (ok && m_fileFailing) {
        std::fprintf(m_notices, "vornpilot: the metrics file %s is written again\n",
                     m_file->Path().c_str());
    }
    m_fileFailing = !ok;
}

void CMetricsOutputs::Stop() {
    if (m_server) {
        m_server->Stop();
        m_server.reset();
        m_url.clear();
    }
    if (m_file) {
        m_file->Remove();
        m_file.reset();
    }
}
