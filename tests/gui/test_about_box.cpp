// The Info box names the same version as --version: the version of the build and its git commit.
#include "app/gui/AboutBox.h"
#include "base/BuildInfo.h"

#include <gtest/gtest.h>

#include <QLabel>

using namespace dedezuviv::gui;

TEST(AboutBox, ShowsTheVersionThatVersionOptionPrints)
{
    TAboutBoxDlg box(nullptr);
    QStringList texts;
    for (const QLabel* label : box.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Version ") + QString::fromStdString(dedezuviv::base::VersionWithCommit())))
        << texts.join(QStringLiteral(" | ")).toStdString();
}
