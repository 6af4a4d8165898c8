#include "app/gui/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace veltrano {

namespace {

constexpr const char* kFallbackName = "Veltrano";
constexpr QByteArrayView kRequest = "raise\n";
constexpr QByteArrayView kAnswer = "ok\n";
// Unix socket paths are short; the name is cut and a hash of the whole name keeps it unique.
constexpr qsizetype kMaxNamePart = 40;
constexpr int kRetryPauseMs = 100;

QString UserName() {
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"}) {
        const QString user = qEnvironmentVariable(variable);
        if (!user.isEmpty()) {
            return user;
        }
    }
    return QDir::home().dirName();
}

// Keeps letters, digits, '.', '_' and '-'; anything else (separators, spaces, non-ASCII) would
// make a bad file or socket name, so it is replaced and a hash of the original is appended.
QString SafePart(const QString& text) {
    QString safe;
    bool changed = false;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool keep = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                          (u >= '0' && u <= '9') || u == '.' || u == '_' || u == '-';
        safe += keep ? c : QChar(u'_');
        changed = changed || !keep;
    }
    if (safe.size() > kMaxNamePart) {
        safe.truncate(kMaxNamePart);
        changed = true;
    }
    if (changed) {
        const QByteArray hash =
            QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(8);
        safe += u'-' + QString::fromLatin1(hash);
    }
    return safe;
}

QString LockFolder(const QString& requested) {
    if (!requested.isEmpty()) {
        return requested;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace

QString SingleInstance::InstanceName(const QString& softwareName) {
    const QString name = softwareName.trimmed().isEmpty() ? QString::fromLatin1(kFallbackName)
                                                          : softwareName.trimmed();
    return SafePart(name) + u'-' + SafePart(UserName());
}

SingleInstance::SingleInstance(const QString& softwareName, const QString& lockFolder,
                               QObject* parent)
    : QObject(parent),
      serverName_(InstanceName(softwareName)),
      lockPath_(QDir(LockFolder(lockFolder)).filePath(serverName_ + QStringLiteral(".lock"))),
      lock_(lockPath_) {
    // The running copy holds its lock for hours: only a lock whose process is gone is stale,
    // never one that is merely old.
    lock_.setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

SingleInstance::~SingleInstance() = default;

SingleInstance::Outcome SingleInstance::Start() {
    QDir().mkpath(QFileInfo(lockPath_).absolutePath());
    const QDeadlineTimer deadline(handOverTimeout_);
    while (true) {
        // tryLock removes a lock left by a copy that is no longer running.
        if (lock_.tryLock(0)) {
            BecomeFirst();
            return Outcome::First;
        }
        if (lock_.error() != QLockFile::LockFailedError) {
            failure_ = Failure::LockFile;
            return Outcome::Failed;
        }
        // The running copy may still be on its way to listening: ask again until the deadline.
        const auto left = std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0));
        if (AskToComeForward(serverName_, std::min(left, std::chrono::milliseconds(1000)))) {
            return Outcome::HandedOver;
        }
        if (deadline.hasExpired()) {
            break;
        }
        QThread::msleep(kRetryPauseMs);
    }
    failure_ = Failure::NoAnswer;
    return Outcome::Failed;
}

void SingleInstance::BecomeFirst() {
    // Holding the lock means no copy listens: a socket name left behind by a crash is stale.
    QLocalServer::removeServer(serverName_);
    if (!server_.listen(serverName_)) {
        // The program runs all the same; only a later start cannot reach it.
        qWarning("Cannot listen on %s: %s", qUtf8Printable(serverName_),
                 qUtf8Printable(server_.errorString()));
    }
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto handle = [this, socket] {
            if (!socket->canReadLine()) {
                // Nothing a copy of ours sends is this long without a line end.
                if (socket->bytesAvailable() > 64) {
                    socket->disconnectFromServer();
                }
                return;
            }
            const QByteArray line = socket->readLine(64);
            if (line == kRequest) {
                emit ActivationRequested();
                socket->write(kAnswer.data(), kAnswer.size());
                socket->flush();
            }
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, handle);
        // The request may have arrived together with the connection.
        handle();
    }
}

bool SingleInstance::AskToComeForward(const QString& serverName,
                                      std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    socket.write(kRequest.data(), kRequest.size());
    if (!socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
        return false;
    }
    // The answer only confirms; the request is delivered once written, so a copy that is busy
    // right now still comes forward when it gets to it.
    while (!socket.canReadLine() && socket.waitForReadyRead(static_cast<int>(
                                        std::max<qint64>(deadline.remainingTime(), 0)))) {
    }
    socket.disconnectFromServer();
    return true;
}

}  // namespace veltrano
