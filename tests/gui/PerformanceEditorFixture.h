#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QWidget>

#include "DemoWindow.h"
#include "performance/gui/PerformanceEditor.h"

namespace veltrano::test {

// The Performance page of the demo window, and the hands that work it.
class PerformanceEditorFixture : public ::testing::Test {
protected:
    PerformanceEditorFixture() {
        editor_ = qobject_cast<PerformanceEditor*>(&window_.ShowPage(2));
        EXPECT_NE(editor_, nullptr);
    }

    // The one child of the editor with that object name.
    template <typename T>
    T* Get(const QString& name) {
        auto* child = editor_->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name.toStdString();
        return child;
    }
    template <typename T>
    T* Get(const char* name) {
        return Get<T>(QString::fromLatin1(name));
    }

    // A click on tab `tab` of the tab widget `tabs`.
    void ClickTab(const char* tabs, int tab) {
        QTabBar* bar = Get<QTabWidget>(tabs)->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
        QCoreApplication::processEvents();
    }
    void ShowTab(int tab) { ClickTab("performanceTabs", tab); }

    // The field's text replaced by typing; Enter when `enter`.
    void Type(QWidget* field, const QString& text, bool enter = true) {
        ASSERT_NE(field, nullptr);
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, text);
        if (enter) {
            QTest::keyClick(field, Qt::Key_Return);
        }
    }
    void Type(const QString& name, const QString& text, bool enter = true) {
        Type(Get<QWidget>(name), text, enter);
    }
    void Type(const char* name, const QString& text, bool enter = true) {
        Type(Get<QWidget>(name), text, enter);
    }

    DemoWindow window_;
    PerformanceEditor* editor_ = nullptr;
};

}  // namespace veltrano::test
