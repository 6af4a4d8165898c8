#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <chrono>

namespace veltrano {

// One running copy per user and software name. The first start holds a lock file and listens on
// a local socket; a later start asks that copy to come forward and ends without a window.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    enum class Outcome {
        First,       // this copy runs; later starts reach it through ActivationRequested()
        HandedOver,  // another copy runs and has been asked to come forward
        Failed,      // no lock could be taken and no running copy answered: Why() says why
    };
    enum class Failure {
        None,
        LockFile,  // the lock file cannot be made (LockPath() names it)
        NoAnswer,  // a copy holds the lock but does not answer
    };

    // The lock file goes into lockFolder; empty means the user's runtime folder (the temporary
    // folder when there is none).
    explicit SingleInstance(const QString& softwareName, const QString& lockFolder = {},
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // How long a later start keeps trying to reach the running copy before it gives up.
    void SetHandOverTimeout(std::chrono::milliseconds timeout) { handOverTimeout_ = timeout; }

    [[nodiscard]] Outcome Start();

    [[nodiscard]] const QString& ServerName() const { return serverName_; }
    [[nodiscard]] const QString& LockPath() const { return lockPath_; }
    [[nodiscard]] Failure Why() const { return failure_; }
    // False when the first copy could not open its socket: it runs, but cannot be reached.
    [[nodiscard]] bool Listening() const { return server_.isListening(); }

    // The name shared by every copy of one user: the software name ("Veltrano" when empty) and
    // the user, reduced to characters that are safe in a file and socket name.
    [[nodiscard]] static QString InstanceName(const QString& softwareName);

    // Connects to the copy listening on serverName and asks it to come forward. True once the
    // request has been delivered (the copy's answer is awaited up to the timeout).
    [[nodiscard]] static bool AskToComeForward(const QString& serverName,
                                               std::chrono::milliseconds timeout);

signals:
    // A later start asked this copy to come forward.
    void ActivationRequested();

private:
    void BecomeFirst();
    void OnNewConnection();

    QString serverName_;
    QString lockPath_;
    Failure failure_ = Failure::None;
    QLockFile lock_;
    QLocalServer server_;
    std::chrono::milliseconds handOverTimeout_{5000};
};

}  // namespace veltrano
