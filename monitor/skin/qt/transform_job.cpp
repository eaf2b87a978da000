#include "transform_job.h"

#include <QProcess>
#include <algorithm>
#include <csignal>
#include <utility>

#include "xslt_bounds.h"

namespace {

constexpr size_t MAX_ERROR_BYTES = 4096;
constexpr int MAX_ERROR_LINES = 3;

// The processor's first lines: the rest is a trace of templates no user needs.
std::string FirstLines(const std::string& text) {
    size_t end = 0;
    for (int line = 0; line < MAX_ERROR_LINES && end != std::string::npos; ++line)
        end = text.find('\n', end == 0 ? 0 : end + 1);
    std::string head = text.substr(0, end);
    while (!head.empty() && (head.back() == '\n' || head.back() == ' '))
        head.pop_back();
    for (char& c : head) {
        if (c == '\n')
            c = ' ';
    }
    return head;
}

std::string Seconds(int ms) {
    return std::to_string(ms / 1000) + " s";
}

}  // namespace

CTransformJob::CTransformJob(QObject* parent) : QObject(parent) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { Stop("it did not finish within " + Seconds(XSLT_WAIT_MS)); });
}

CTransformJob::~CTransformJob() {
    Cancel();
}

void CTransformJob::Cancel() {
    m_finished = nullptr;
    Discard();
}

void CTransformJob::Discard() {
    m_deadline.stop();
    if (!m_process)
        return;
    // Never waited for: a helper still running goes once it has been reaped.
    QProcess* p = m_process.release();
    p->disconnect(this);
    if (p->state() == QProcess::NotRunning) {
        p->deleteLater();
        return;
    }
    connect(p, &QProcess::finished, p, &QObject::deleteLater);
    p->kill();
}

void CTransformJob::Start(const std::string& helper, const std::string& stylesheet,
                          const std::string& readFolder, const std::string& report,
                          Finished finished) {
    Cancel();
    m_helper = helper;
    m_finished = std::move(finished);
    m_page.clear();
    m_errors.clear();
    m_process = std::make_unique<QProcess>(this);
    QProcess* p = m_process.get();
    connect(p, &QProcess::readyReadStandardOutput, this, &CTransformJob::OnOutput);
    connect(p, &QProcess::readyReadStandardError, this, [this, p] {
        const QByteArray text = p->readAllStandardError();
        if (m_errors.size() < MAX_ERROR_BYTES)
            m_errors.append(text.constData(),
                            std::min<size_t>(text.size(), MAX_ERROR_BYTES - m_errors.size()));
    });
    connect(p, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        OnExit(code, status == QProcess::CrashExit);
    });
    connect(p, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        // Told later in any case, as the other outcomes are.
        if (error == QProcess::FailedToStart) {
            QTimer::singleShot(0, this, [this] {
                Stop("the stylesheet helper \"" + m_helper + "\" cannot be started");
            });
        }
    });
    m_deadline.start(XSLT_WAIT_MS);
    p->start(QString::fromStdString(helper),
             {QString::fromStdString(stylesheet), QString::fromStdString(readFolder)});
    if (p->state() == QProcess::NotRunning)
        return;
    p->write(report.data(), static_cast<qint64>(report.size()));
    p->closeWriteChannel();
}

void CTransformJob::OnOutput() {
    const QByteArray text = m_process->readAllStandardOutput();
    m_page.append(text.constData(), static_cast<size_t>(text.size()));
    if (m_page.size() > XSLT_MAX_OUTPUT_BYTES)
        Stop("its page is larger than " + std::to_string(XSLT_MAX_OUTPUT_BYTES >> 20) + " MiB");
}

void CTransformJob::OnExit(int exitCode, bool crashed) {
    OnOutput();
    if (!m_process)
        return;  // stopped on the way out
    m_errors += m_process->readAllStandardError().toStdString();
    STransformOutcome outcome;
    if (crashed) {
        // Qt gives the signal as the exit code of a process that a signal ended.
        outcome.error =
            exitCode == SIGXCPU || exitCode == SIGKILL
                ? "it needs more than " + std::to_string(XSLT_CPU_SECONDS) + " s of processor time"
                : "it went past its bounds (signal " + std::to_string(exitCode) + ")";
    } else if (exitCode == XSLT_EXIT_OUT_OF_MEMORY) {
        outcome.error =
            "it needs more than " + std::to_string(XSLT_MEMORY_BYTES >> 20) + " MiB of memory";
    } else if (exitCode != XSLT_EXIT_DONE) {
        outcome.error = FirstLines(m_errors);
        if (outcome.error.empty())
            outcome.error =
                "the stylesheet helper failed (exit status " + std::to_string(exitCode) + ")";
    } else {
        outcome.done = true;
        outcome.page = std::move(m_page);
    }
    Finish(std::move(outcome));
}

void CTransformJob::Stop(const std::string& error) {
    if (!m_process)
        return;
    STransformOutcome outcome;
    outcome.error = error;
    Finish(std::move(outcome));
}

void CTransformJob::Finish(STransformOutcome outcome) {
    Discard();
    m_page.clear();
    if (Finished finished = std::exchange(m_finished, nullptr))
        finished(outcome);
}
