#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSvgRenderer>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>

#include "app/gui/Splash.h"
#include "support/TempDir.h"

namespace veltrano {
namespace {

using namespace std::chrono_literals;

QString ShippedPicture() {
    return QString::fromStdString((test::SourceResources() / "pictures" / "splash.svg").string());
}

// The panel stand-in: a window with a line edit and a button that record what reaches them.
class SplashTest : public ::testing::Test {
protected:
    SplashTest() : edit_(&window_), button_(QStringLiteral("OK"), &window_) {
        button_.move(0, 40);
        WatchClicks(&button_);
        window_.resize(200, 100);
        window_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
        edit_.setFocus();
    }

    void WatchClicks(QPushButton* button) {
        QObject::connect(button, &QPushButton::clicked, [this] { ++clicks_; });
    }

    QWidget window_;
    QLineEdit edit_;
    QPushButton button_;
    int clicks_ = 0;
};

TEST_F(SplashTest, ItIsSizedToItsPictureAndDrawsAPlainOneWithout) {
    Splash shipped(ShippedPicture());
    QSvgRenderer renderer(ShippedPicture());
    if (renderer.isValid()) {
        EXPECT_TRUE(shipped.HasPicture());
        EXPECT_EQ(shipped.size(), renderer.defaultSize());
    }
    Splash plain(QStringLiteral("/nonexistent/splash.svg"));
    EXPECT_FALSE(plain.HasPicture());
    EXPECT_FALSE(plain.size().isEmpty());
}

TEST_F(SplashTest, ItClosesWhenThePanelIsReadyAndLetsInputThroughAfterwards) {
    Splash splash(ShippedPicture());
    QSignalSpy dismissed(&splash, &Splash::Dismissed);
    splash.Popup();
    EXPECT_TRUE(splash.IsUp());
    EXPECT_TRUE(splash.isVisible());

    splash.Dismiss();  // what the panel's Ready() is connected to
    EXPECT_FALSE(splash.IsUp());
    EXPECT_FALSE(splash.isVisible());
    EXPECT_EQ(dismissed.count(), 1);
    splash.Dismiss();
    EXPECT_EQ(dismissed.count(), 1);

    QTest::keyClick(&edit_, Qt::Key_A);
    EXPECT_EQ(edit_.text(), QStringLiteral("a"));
}

TEST_F(SplashTest, TheFirstKeyPressClosesItAndIsSwallowed) {
    Splash splash(ShippedPicture());
    splash.Popup();
    QTest::keyClick(&edit_, Qt::Key_A);
    EXPECT_FALSE(splash.IsUp());
    EXPECT_EQ(edit_.text(), QString());
    QTest::keyClick(&edit_, Qt::Key_B);
    EXPECT_EQ(edit_.text(), QStringLiteral("b"));
}

TEST_F(SplashTest, TheFirstMouseClickClosesItAndIsSwallowed) {
    Splash splash(ShippedPicture());
    splash.Popup();
    QTest::mouseClick(&button_, Qt::LeftButton);
    EXPECT_FALSE(splash.IsUp());
    EXPECT_EQ(clicks_, 0);
    QTest::mouseClick(&button_, Qt::LeftButton);
    EXPECT_EQ(clicks_, 1);
}

TEST_F(SplashTest, TheUsersCloseRequestClosesItAndIsSwallowed) {
    Splash splash(ShippedPicture());
    splash.Popup();
    // A dialog of the start (progress, a message) closes as usual.
    QDialog dialog;
    dialog.show();
    EXPECT_TRUE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(splash.IsUp());

    EXPECT_FALSE(window_.close());
    EXPECT_FALSE(splash.IsUp());
    EXPECT_TRUE(window_.isVisible());
    EXPECT_TRUE(window_.close());
}

TEST_F(SplashTest, ItClosesByItselfAfterItsTime) {
    Splash splash(ShippedPicture());
    splash.SetTimeout(50ms);
    QSignalSpy dismissed(&splash, &Splash::Dismissed);
    splash.Popup();
    EXPECT_TRUE(splash.IsUp());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !splash.IsUp(); }, 5000));
    EXPECT_EQ(dismissed.count(), 1);
    EXPECT_FALSE(splash.isVisible());
}

}  // namespace
}  // namespace veltrano
