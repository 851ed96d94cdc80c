#include "config/settings.h"
#include "core/language.h"
#include "dialogs/about_box.h"
#include "dialogs/read_tipp.h"
#include "res/info_dialog_templates.h"
#include "support/find_control.h"
#include "support/process_reset.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

using test::control;

class InfoDialogsTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

void pressEscape(QWidget& dialog) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&dialog, &escape);
}

TEST_F(InfoDialogsTest, HintIsSilencedOnlyByOkWithTheBoxTicked) {
    struct Row {
        const char* name;
        bool tick;
        bool ok; // else Escape
        std::uint8_t expected;
    };
    const Row rows[] = {{"ticked, OK", true, true, 0},
                        {"ticked, Escape", true, false, 1},
                        {"not ticked, OK", false, true, 1},
                        {"not ticked, Escape", false, false, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        settings.markAllHint = 1;
        CReadTipp hint;
        hint.show();
        control<QCheckBox>(hint, res::kHintCheckBox)->setChecked(row.tick);
        if (row.ok)
            control<QPushButton>(hint, res::kHintOk)->click();
        else
            pressEscape(hint);
        EXPECT_FALSE(hint.isVisible());
        EXPECT_EQ(settings.markAllHint, row.expected);
    }
}

TEST_F(InfoDialogsTest, HintTextsAndPicture) {
    CReadTipp english;
    EXPECT_EQ(english.windowTitle(), "Hint!");
    EXPECT_EQ(control<QCheckBox>(english, res::kHintCheckBox)->text(), "do not show this again");
    EXPECT_TRUE(control<QLabel>(english, res::kHintText)->text().startsWith("Instead of"));
    const QPixmap picture = control<QLabel>(english, res::kHintPicture)->pixmap();
    EXPECT_EQ(picture.size(), QSize(170, 85));

    Language = 0;
    CReadTipp german;
    EXPECT_EQ(german.windowTitle(), "Tipp!");
    EXPECT_EQ(control<QCheckBox>(german, res::kHintCheckBox)->text(), "Tipp nicht mehr anzeigen");
    EXPECT_TRUE(control<QLabel>(german, res::kHintText)->text().endsWith("\"gelesen\"."));
}

TEST_F(InfoDialogsTest, AboutBoxMatchesTheLanguage) {
    struct Row {
        int language;
        const char* title;
        const char* support;
    };
    const Row rows[] = {{0, "Info über Ombrix", "Fragen und Anregungen"},
                        {1, "about Ombrix", "questions and suggestions"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.language);
        Language = row.language;
        const auto about = makeAboutBox();
        EXPECT_EQ(about->windowTitle(), QString::fromUtf8(row.title));
        EXPECT_TRUE(control<QLabel>(*about, res::kAboutSupportLine)->text().contains(row.support));
        EXPECT_EQ(control<QLabel>(*about, res::kAboutWebAddress)->text(), "https://ombrix.org");
        EXPECT_EQ(control<QLabel>(*about, res::kAboutPicture)->pixmap().size(), QSize(112, 102));
        about->show();
        control<QPushButton>(*about, res::kAboutOk)->click();
        EXPECT_EQ(about->result(), QDialog::Accepted);
        EXPECT_FALSE(about->isVisible());
    }
    Language = 0;
    EXPECT_NE(dynamic_cast<CAbout*>(makeAboutBox().get()), nullptr);
    Language = 1;
    EXPECT_NE(dynamic_cast<AboutEN*>(makeAboutBox().get()), nullptr);
}

TEST_F(InfoDialogsTest, AboutBoxesNameTheProjectAndItsAddress) {
    CAbout german;
    AboutEN english;
    for (QDialog* about : {static_cast<QDialog*>(&german), static_cast<QDialog*>(&english)}) {
        QStringList texts;
        for (const QLabel* label : about->findChildren<QLabel*>())
            texts << label->text();
        EXPECT_TRUE(texts.contains("Ombrix 2.5"));
        EXPECT_TRUE(texts.join('\n').contains("The Ombrix developers"));
        EXPECT_TRUE(texts.join('\n').contains("@ombrix.org"));
    }
}

} // namespace
} // namespace ombrix
