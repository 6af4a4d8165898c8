#include "DemoWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include "app/Startup.h"
#include "settings/IniFile.h"

namespace veltrano::test {

namespace fs = std::filesystem;

DemoWindow::DemoWindow() : DemoWindow(Options{}) {}

DemoWindow::DemoWindow(Options options) {
    fs::copy(SourceResources(), home_.Path(), fs::copy_options::recursive);
    if (!options.transmitFunc) {
        EXPECT_TRUE(IniFile(home_ / "Cnfg.ini").WriteString("Option", "TransmitFunc", "0"));
    }
    ReadSettings(app_, home_.Path());
    LoadModels(app_);
    devices_ = std::make_unique<DeviceService>(app_, loop_, reporter_);
    panel_ = std::make_unique<MainPanel>(app_, *devices_, reporter_);
    SimulatedInstrumentSetup setup;
    setup.storageFolder = storage_.Path();
    setup.faults = options.faults;
    EXPECT_TRUE(panel_->EnableSimulatedInstrument(setup));
    panel_->Initialise();
    panel_->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(panel_.get()));
    if (options.connect) {
        EXPECT_TRUE(panel_->StartDemo());
        EXPECT_TRUE(reporter_.Empty()) << reporter_.Texts().front();
    }
}

DemoWindow::~DemoWindow() {
    panel_.reset();
    devices_.reset();
}

ToolPage& DemoWindow::ShowPage(int index) {
    EXPECT_TRUE(panel_->ShowPage(index)) << index;
    QCoreApplication::processEvents();
    return panel_->Page(index);
}

EveryTurn::EveryTurn(std::function<bool()> step) : step_(std::move(step)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
        if (!done_ && step_()) {
            done_ = true;
            timer_.stop();
        }
    });
    timer_.start(1);
}

FileDialogAnswer::FileDialogAnswer(QString path, int waitMs)
    : path_(std::move(path)), waitMs_(waitMs), timerOwner_(std::make_unique<QObject>()) {
    auto* timer = new QTimer(timerOwner_.get());
    QObject::connect(timer, &QTimer::timeout, timerOwner_.get(), [this, timer] {
        Poll();
        if (answered_ || waited_ >= waitMs_) {
            timer->stop();
        }
    });
    timer->start(10);
}

FileDialogAnswer::~FileDialogAnswer() {
    EXPECT_TRUE(answered_) << "no file dialog opened for " << path_.toStdString();
}

void FileDialogAnswer::Poll() {
    waited_ += 10;
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
        return;
    }
    answered_ = true;
    caption_ = dialog->windowTitle();
    filter_ = dialog->nameFilters().join(QStringLiteral(";;"));
    folder_ = dialog->directory().absolutePath();
    if (path_.isEmpty()) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        if (dialog->isVisible()) {
            dialog->reject();
        }
        return;
    }
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (name == nullptr) {
        ADD_FAILURE() << "the file dialog has no name field";
        dialog->reject();
        return;
    }
    // Pasted rather than typed key by key: the field's completer would turn a typed path
    // into a choice of names.
    name->setFocus();
    name->setText(path_);
    QTest::keyClick(name, Qt::Key_Return);
    if (dialog->isVisible()) {
        // Enter did not take: close it, so the test fails instead of waiting for ever.
        ADD_FAILURE() << "the file dialog did not take " << path_.toStdString();
        dialog->reject();
    }
}

}  // namespace veltrano::test
