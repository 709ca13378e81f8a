// Qt's own texts follow the system locale: under de_DE.UTF-8 the standard buttons of message boxes
// and dialogs are German; a locale without a translation keeps Qt's English.
#include "app/gui/QtTranslations.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

using namespace dedezuviv::gui;

namespace {

TEST(QtTranslationsTest, StandardButtonsFollowTheLocale)
{
    struct Case {
        const char* Locale;
        bool Translated;
        const char* Yes;
        const char* Cancel;
    };
    for (const Case& c : {Case{"de_DE.UTF-8", true, "&Ja", "Abbrechen"}, Case{"en_US.UTF-8", false, "&Yes", "Cancel"}}) {
        QTranslator* translator = InstallQtTranslations(QLocale(QString::fromLatin1(c.Locale)));
        EXPECT_EQ(translator != nullptr, c.Translated) << c.Locale;
        QMessageBox box(QMessageBox::Question, QStringLiteral("Frage"), QStringLiteral("Speichern?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        EXPECT_EQ(box.button(QMessageBox::Yes)->text().toStdString(), c.Yes) << c.Locale;
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text().toStdString(), c.Cancel) << c.Locale;
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
}

}  // namespace
