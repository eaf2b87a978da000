#pragma once
// One run of a skin's stylesheet in the helper process (vorn-xslt), waited for without stopping
// the event loop: the monitor's passes, the tray and the signals go on meanwhile. The helper
// limits its own processor time and memory; the job adds the wall-clock bound and the bound on
// the page it takes back, and puts what went wrong into words.

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

class QProcess;

struct STransformOutcome {
    bool done = false;
    std::string page;   // when done
    std::string error;  // otherwise: why not, for the user
};

class CTransformJob : public QObject {
    Q_OBJECT
  public:
    using Finished = std::function<void(const STransformOutcome&)>;

    explicit CTransformJob(QObject* parent = nullptr);
    // A helper still running is killed; `finished` is not called then.
    ~CTransformJob() override;

    // `finished` is called once, later, from the event loop (also when the helper cannot start).
    void Start(const std::string& helper, const std::string& stylesheet,
               const std::string& readFolder, const std::string& report, Finished finished);
    bool Running() const { return m_process != nullptr; }
    // Kills a helper still running, without a call of its `finished`.
    void Cancel();

  private:
    void OnOutput();
    void OnExit(int exitCode, bool crashed);
    void Stop(const std::string& error);
    void Discard();
    void Finish(STransformOutcome outcome);

    std::unique_ptr<QProcess> m_process;
    QTimer m_deadline;
    std::string m_helper;
    std::string m_page;
    std::string m_errors;
    Finished m_finished;
};
