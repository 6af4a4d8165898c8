// The window program: start-up in its fixed order, then the main panel until it closes.

#include <QApplication>
#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "app/AppContext.h"
#include "app/DeviceService.h"
#include "app/ProgramFolder.h"
#include "app/Startup.h"
#include "app/gui/MainPanel.h"
#include "app/gui/Screenshots.h"
#include "app/gui/SingleInstance.h"
#include "app/gui/Splash.h"
#include "ui/QtEventLoop.h"
#include "ui/QtReporter.h"
#include "ui/Theme.h"
#include "ui/UiText.h"

namespace veltrano {
namespace {

constexpr const char* kProgramTitle = "Veltrano";
// Where the built-in instrument keeps the files sent to it, so they are still there next run.
constexpr const char* kDemoStorageFolder = "Demo storage";
// Exit status of a wrong command line, as the command line tools use it.
constexpr int kUsageError = 2;

struct Options {
    bool splash = true;
    bool demo = false;
    QString screenshotFolder;  // empty: a normal run
};

struct CommandLine {
    QCommandLineParser parser;
    QCommandLineOption noSplash{QStringLiteral("no-splash"),
                                QStringLiteral("Start without the start-up picture.")};
    QCommandLineOption demo{QStringLiteral("demo"),
                            QStringLiteral("Connect to the built-in simulated instrument.")};
    QCommandLineOption screenshots{QStringLiteral("screenshots"),
                                   QStringLiteral("Save a picture of every page in DIR and end."),
                                   QStringLiteral("DIR")};
    QCommandLineOption help;
    QCommandLineOption version;

    CommandLine() : help(parser.addHelpOption()), version(parser.addVersionOption()) {
        parser.setApplicationDescription(
            QStringLiteral("Veltrano, the companion program of an arranger keyboard."));
        screenshots.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(noSplash);
        parser.addOption(demo);
        parser.addOption(screenshots);
    }

    [[nodiscard]] Options Read() const {
        Options options;
        options.screenshotFolder = parser.value(screenshots);
        options.demo = parser.isSet(demo) || !options.screenshotFolder.isEmpty();
        options.splash = !parser.isSet(noSplash) && options.screenshotFolder.isEmpty();
        return options;
    }
};

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    return arguments;
}

// --help and --version are answered before anything else, and without a display, so that they
// work in a terminal of a machine without one and never hand over to a running copy.
std::optional<int> AnswerInformationalOptions(int argc, char** argv) {
    CommandLine line;
    (void)line.parser.parse(Arguments(argc, argv));
    const bool help = line.parser.isSet(line.help) || line.parser.isSet(QStringLiteral("help-all"));
    if (!help && !line.parser.isSet(line.version)) {
        return std::nullopt;
    }
    QCoreApplication core(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(VELTRANO_VERSION));
    if (help) {
        std::fputs(qPrintable(line.parser.helpText()), stdout);
    } else {
        std::printf("veltrano %s\n", VELTRANO_VERSION);
    }
    return 0;
}

void ShowStartError(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
    QMessageBox::critical(nullptr, QString::fromLatin1(kProgramTitle), text);
}

QString SingleInstanceFailureText(const AppContext& app, const SingleInstance& single) {
    if (single.Why() == SingleInstance::Failure::LockFile) {
        return UiText(app.language, "MainPanel", "IDS_MSG_LOCK_FAILED") + QLatin1Char('\n') +
               QDir::toNativeSeparators(single.LockPath());
    }
    return UiText(app.language, "MainPanel", "IDS_MSG_NO_ANSWER");
}

int Run(int argc, char** argv) {
    if (const std::optional<int> answered = AnswerInformationalOptions(argc, argv)) {
        return *answered;
    }
    // The application name stays the executable's: the lock file of the single-instance rule
    // records it, and a later start compares it with the running process to tell a live lock
    // from one left by a crash.
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(VELTRANO_VERSION));
    // Lets the desktop match the windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral(VELTRANO_APP_ID));

    // The command line is read here, after Qt took its own options, but acted on in its place
    // below; reading it changes nothing.
    CommandLine line;
    if (!line.parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "%s\n%s", qPrintable(line.parser.errorText()),
                     qPrintable(line.parser.helpText()));
        return kUsageError;
    }
    const Options options = line.Read();

    // Long messages go out without blocking until the main panel is ready: that is how the
    // MIDI ports start, and the panel switches them at the end of its initialisation.

    const ProgramFolderChoice folder = ChooseProgramFolder(CurrentProgramFolderInputs());
    if (const std::string error = SeedProgramFolder(folder); !error.empty()) {
        ShowStartError(QString::fromStdString(error));
        return 1;
    }
    AppContext app;
    ReadSettings(app, folder.folder);

    // A picture run is a tool of its own: it neither hands over to a running copy nor blocks a
    // later start.
    std::unique_ptr<SingleInstance> single;
    if (options.screenshotFolder.isEmpty()) {
        single = std::make_unique<SingleInstance>(QString::fromStdString(app.softwareName));
        switch (single->Start()) {
            case SingleInstance::Outcome::First:
                break;
            case SingleInstance::Outcome::HandedOver:
                return 0;
            case SingleInstance::Outcome::Failed:
                ShowStartError(SingleInstanceFailureText(app, *single));
                return 1;
        }
    }

    LoadModels(app);
    ApplyTheme(application, app.programFolder);

    // A picture run brings demo files of its own; the browser is pointed at them before it is
    // built.
    std::unique_ptr<ScreenshotRun> pictures;
    if (!options.screenshotFolder.isEmpty()) {
        pictures = std::make_unique<ScreenshotRun>(app);
        if (!pictures->Error().empty()) {
            std::fprintf(stderr, "%s\n", pictures->Error().c_str());
            return 1;
        }
    }

    std::unique_ptr<Splash> splash;
    if (options.splash) {
        splash = std::make_unique<Splash>(PicturePath(app.programFolder, kSplashPicture));
        splash->Popup();
        QCoreApplication::processEvents();  // drawn before the panel's work begins
    }

    QtEventLoop loop;
    QtReporter reporter;
    DeviceService devices(app, loop, reporter);
    devices.AddSystemPorts();
    MainPanel panel(app, devices, reporter);
    reporter.SetParent(&panel);
    if (splash != nullptr) {
        QObject::connect(&panel, &MainPanel::Ready, splash.get(), &Splash::Dismiss);
    }
    if (single != nullptr) {
        QObject::connect(single.get(), &SingleInstance::ActivationRequested, &panel,
                         &MainPanel::BringToFront);
    }
    bool demo = options.demo;
    if (demo) {
        SimulatedInstrumentSetup setup;
        setup.storageFolder = app.programFolder / kDemoStorageFolder;
        if (pictures != nullptr) {
            setup = pictures->Instrument();
        }
        demo = panel.EnableSimulatedInstrument(setup);
    }
    panel.Initialise();
    panel.show();
    if (demo) {
        (void)panel.StartDemo();  // a failed connect has shown its own message
    }
    if (!options.screenshotFolder.isEmpty()) {
        return pictures->Take(panel, options.screenshotFolder);
    }
    return QApplication::exec();
}

}  // namespace
}  // namespace veltrano

int main(int argc, char** argv) {
    return veltrano::Run(argc, argv);
}
