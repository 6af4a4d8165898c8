#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/gui/SingleInstance.h"
#include "support/Process.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;
using Outcome = SingleInstance::Outcome;

// A software name no other copy on this machine uses, so tests never meet a real run.
QString UniqueName() {
    static int counter = 0;
    return QStringLiteral("VeltranoTest%1x%2")
        .arg(QCoreApplication::applicationPid())
        .arg(++counter);
}

// Runs a later start on its own thread, as another process would, while this thread keeps
// serving the first copy's socket.
Outcome StartAnotherCopy(const QString& name, const QString& lockFolder,
                         std::chrono::milliseconds timeout = 5000ms) {
    std::atomic<bool> done = false;
    Outcome outcome = Outcome::Failed;
    std::thread other([&] {
        SingleInstance second(name, lockFolder);
        second.SetHandOverTimeout(timeout);
        outcome = second.Start();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 20000));
    other.join();
    return outcome;
}

TEST(SingleInstanceTest, SecondStartAsksTheFirstToComeForward) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    const QString name = UniqueName();
    SingleInstance first(name, folder);
    QSignalSpy asked(&first, &SingleInstance::ActivationRequested);
    ASSERT_EQ(first.Start(), Outcome::First);
    EXPECT_TRUE(first.Listening());
    EXPECT_TRUE(QFile::exists(first.LockPath()));

    EXPECT_EQ(StartAnotherCopy(name, folder), Outcome::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked.count() == 1; }, 5000));
    // Each later start is one request.
    EXPECT_EQ(StartAnotherCopy(name, folder), Outcome::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked.count() == 2; }, 5000));
}

TEST(SingleInstanceTest, OtherSoftwareNamesRunSideBySide) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    SingleInstance first(UniqueName(), folder);
    ASSERT_EQ(first.Start(), Outcome::First);
    SingleInstance other(UniqueName(), folder);
    EXPECT_EQ(other.Start(), Outcome::First);
}

TEST(SingleInstanceTest, NamesAreSafeAndAnEmptyNameFallsBack) {
    EXPECT_TRUE(SingleInstance::InstanceName({}).startsWith(QStringLiteral("Veltrano-")));
    EXPECT_EQ(SingleInstance::InstanceName({}), SingleInstance::InstanceName(QStringLiteral("  ")));
    const QString odd = SingleInstance::InstanceName(QStringLiteral("../a/b c"));
    EXPECT_FALSE(odd.contains(u'/'));
    EXPECT_FALSE(odd.contains(u' '));
    // Names that only differ in replaced characters still get their own lock.
    EXPECT_NE(SingleInstance::InstanceName(QStringLiteral("音乐")),
              SingleInstance::InstanceName(QStringLiteral("乐音")));
    EXPECT_LT(SingleInstance::InstanceName(QString(300, u'x')).size(), 100);
}

TEST(SingleInstanceTest, AnOldLockOfARunningCopyIsNotStale) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    const QString name = UniqueName();
    SingleInstance first(name, folder);
    ASSERT_EQ(first.Start(), Outcome::First);
    QFile lockFile(first.LockPath());
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_TRUE(lockFile.setFileTime(QDateTime::currentDateTime().addDays(-2),
                                     QFileDevice::FileModificationTime));
    lockFile.close();

    EXPECT_EQ(StartAnotherCopy(name, folder), Outcome::HandedOver);
}

TEST(SingleInstanceTest, ARunningCopyThatDoesNotAnswerFailsTheStart) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    const QString name = UniqueName();
    QLockFile held(QString::fromStdString(
        (dir.Path() / (SingleInstance::InstanceName(name).toStdString() + ".lock")).string()));
    held.setStaleLockTime(0);
    ASSERT_TRUE(held.tryLock(0));

    SingleInstance second(name, folder);
    second.SetHandOverTimeout(300ms);
    EXPECT_EQ(second.Start(), Outcome::Failed);
    EXPECT_EQ(second.Why(), SingleInstance::Failure::NoAnswer);
}

// A copy that crashed leaves its lock file and socket behind; the next start runs anyway and
// can itself be reached.
TEST(SingleInstanceTest, LeftoversOfACrashedCopyDoNotBlockTheNextStart) {
    test::TempDir dir;
    const QString folder = QString::fromStdString(dir.Path().string());
    const QString name = UniqueName();
    QString lockPath;
    {
        SingleInstance probe(name, folder);
        lockPath = probe.LockPath();
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SingleInstance crashed(name, folder);
        const bool ok = crashed.Start() == Outcome::First && crashed.Listening();
        _exit(ok ? 0 : 1);  // no destructors: lock file and socket stay as a crash leaves them
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(QFile::exists(lockPath));

    SingleInstance next(name, folder);
    QSignalSpy asked(&next, &SingleInstance::ActivationRequested);
    ASSERT_EQ(next.Start(), Outcome::First);
    EXPECT_TRUE(next.Listening());
    EXPECT_EQ(StartAnotherCopy(name, folder), Outcome::HandedOver);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked.count() == 1; }, 5000));
}

// The program itself, started while a copy runs, hands over and ends without a window.
TEST(SingleInstanceTest, TheProgramStartedAgainHandsOverAndEnds) {
    const std::filesystem::path program = test::BuiltProgram("veltrano");
    if (!std::filesystem::exists(program)) {
        GTEST_SKIP() << "the program is not built: " << program;
    }
    test::TempDir home;
    const QString name = UniqueName();
    test::WriteFile(home / "Cnfg.ini",
                    "[Software]\nSoftwareName=" + name.toStdString() + "\n[LastDevice]\nDevice=\n");
    SingleInstance first(name);  // the user's runtime folder, as the program uses
    QSignalSpy asked(&first, &SingleInstance::ActivationRequested);
    ASSERT_EQ(first.Start(), Outcome::First);

    QProcess second;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELTRANO_HOME"), QString::fromStdString(home.Path().string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    second.setProcessEnvironment(env);
    second.start(QString::fromStdString(program.string()), {QStringLiteral("--no-splash")});
    ASSERT_TRUE(second.waitForStarted(5000));
    const bool ended =
        QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 10000);
    if (!ended) {
        second.kill();
        second.waitForFinished(2000);
    }
    ASSERT_TRUE(ended) << "a second copy kept running";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked.count() == 1; }, 5000));
}

}  // namespace
}  // namespace veltrano
