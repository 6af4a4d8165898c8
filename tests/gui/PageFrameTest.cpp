#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QPushButton>
#include <QTest>

#include "DemoWindow.h"
#include "ui/FileDialogs.h"
#include "ui/ToolPage.h"

namespace veltrano {
namespace {

namespace fs = std::filesystem;

TEST(FileFilters, TheProgramsFilterTextsBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter("Performance files(*.prf)|*.prf||"),
              QStringLiteral("Performance files(*.prf)"));
    EXPECT_EQ(QtFileFilter("midi files(*.mid)|*.mid||"), QStringLiteral("midi files(*.mid)"));
    // A description without its pattern gets it; several pairs are joined.
    EXPECT_EQ(QtFileFilter("Styles|*.sty;*.prs|All files(*.*)|*.*||"),
              QStringLiteral("Styles (*.sty *.prs);;All files(*.*)"));
    EXPECT_EQ(QtFileFilter(""), QString());
}

TEST(FileDialogs, StartInTheKeptFolderAndReturnTheTypedName) {
    test::TempDir home;
    test::TempDir kept;
    AppConfig config;
    config.SetPath(home / "Cnfg.ini");
    ASSERT_TRUE(config.SetDialogFolder(dialog_folder::kOpenPerf, kept.Path().string()));
    test::WriteFile(kept / "bank.prf", "x");
    const FileDialogRequest request{
        QStringLiteral("Open"), "Performance files(*.prf)|*.prf||", dialog_folder::kOpenPerf, {}};
    QString chosen;
    {
        test::FileDialogAnswer answer(QString::fromStdString((kept / "bank.prf").string()));
        chosen = ChooseFileToOpen(nullptr, config, request);
        EXPECT_EQ(answer.Caption(), QStringLiteral("Open"));
        EXPECT_EQ(answer.Filter(), QStringLiteral("Performance files(*.prf)"));
        EXPECT_EQ(answer.StartFolder().toStdString(), kept.Path().string());
    }
    EXPECT_EQ(chosen.toStdString(), (kept / "bank.prf").string());
    // The dialog itself keeps nothing: the operation stores the folder when it succeeded.
    EXPECT_EQ(config.DialogFolder(dialog_folder::kOpenPerf), kept.Path().string());
    {
        test::FileDialogAnswer cancel{QString()};
        EXPECT_TRUE(ChooseFileToSave(nullptr, config, request).isEmpty());
    }
}

}  // namespace
}  // namespace veltrano
