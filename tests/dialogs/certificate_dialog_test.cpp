// The question about a server certificate that does not verify: every fact the
// user needs, the old and the new fingerprint side by side when the server's
// certificate changed, and nothing accepted but by its own button.

#include "core/language.h"
#include "dialogs/certificate_dialog.h"
#include "support/process_reset.h"

#include <QCoreApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

std::string fingerprint(const std::string& firstPair) {
    std::string text = firstPair;
    for (int i = 1; i < 32; ++i)
        text += ":" + std::string(i % 2 ? "0F" : "A1");
    return text;
}

CertificateFacts refusedFacts() {
    CertificateFacts facts;
    facts.subject = "CN=mail.home.lan,O=Familie M\xC3\xBCller";
    facts.issuer = "CN=mail.home.lan,O=Familie M\xC3\xBCller";
    facts.notBefore = "2026-01-10 08:00:00 UTC";
    facts.notAfter = "2036-01-08 08:00:00 UTC";
    facts.sha256 = fingerprint("7C");
    facts.reason = "self-signed certificate";
    return facts;
}

std::vector<QString> labelTexts(const QDialog& dialog) {
    std::vector<QString> texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts.push_back(label->text());
    return texts;
}

bool shows(const QDialog& dialog, const QString& text) {
    for (const QString& shown : labelTexts(dialog))
        if (shown == text)
            return true;
    return false;
}

QString lines(const std::string& fingerprint) {
    return QString::fromStdString(fingerprintLines(fingerprint));
}

class CertificateDialogTest : public testing::Test {
protected:
    void SetUp() override { test::resetProcessState(); }
    void TearDown() override { test::resetProcessState(); }
};

TEST(CertificateFingerprintLines, SixteenPairsALine) {
    const std::string full = fingerprint("7C");
    const std::string shown = fingerprintLines(full);
    ASSERT_EQ(shown.size(), full.size());
    EXPECT_EQ(shown.substr(0, 47), full.substr(0, 47));
    EXPECT_EQ(shown[47], '\n') << "the colon between the halves becomes the line break";
    EXPECT_EQ(shown.substr(48), full.substr(48));
    EXPECT_EQ(fingerprintLines("AB:CD"), "AB:CD");
}

TEST_F(CertificateDialogTest, ShowsEveryFactOfTheRefusedCertificate) {
    const CertificateFacts facts = refusedFacts();
    CertificateDialog dialog("mail.home.lan:993", facts);
    for (const char* text : {"mail.home.lan:993", "self-signed certificate",
                             "CN=mail.home.lan,O=Familie M\xC3\xBCller", "2026-01-10 08:00:00 UTC",
                             "2036-01-08 08:00:00 UTC"})
        EXPECT_TRUE(shows(dialog, QString::fromUtf8(text))) << text;
    for (const char* label : {"Server:", "Reason:", "Subject:", "Issuer:", "Valid from:",
                              "Valid until:", "SHA-256 fingerprint:"})
        EXPECT_TRUE(shows(dialog, QString::fromUtf8(label))) << label;
    const auto* presented = dialog.findChild<QLabel*>("presentedFingerprint");
    ASSERT_TRUE(presented);
    EXPECT_EQ(presented->text(), lines(facts.sha256));
    EXPECT_FALSE(dialog.findChild<QLabel*>("pinnedFingerprint"));
}

TEST_F(CertificateDialogTest, AChangedCertificateShowsBothFingerprintsSideBySide) {
    CertificateFacts facts = refusedFacts();
    facts.pinnedSha256 = fingerprint("02");
    CertificateDialog dialog("mail.home.lan:993", facts);
    dialog.show();
    const auto* pinned = dialog.findChild<QLabel*>("pinnedFingerprint");
    const auto* presented = dialog.findChild<QLabel*>("presentedFingerprint");
    ASSERT_TRUE(pinned && presented);
    EXPECT_EQ(pinned->text(), lines(facts.pinnedSha256));
    EXPECT_EQ(presented->text(), lines(facts.sha256));
    EXPECT_EQ(pinned->y(), presented->y()) << "one row";
    EXPECT_LT(pinned->geometry().right(), presented->x()) << "the old one first, not covered";
    for (const char* heading : {"SHA-256 fingerprint:", "Accepted before:", "Presented now:"})
        EXPECT_TRUE(shows(dialog, heading)) << heading;
    EXPECT_TRUE(shows(dialog, "The server no longer presents the certificate you accepted."));
}

TEST_F(CertificateDialogTest, OnlyTheAcceptButtonAccepts) {
    struct Row {
        const char* name;
        std::function<void(CertificateDialog&)> act;
        int result;
    };
    const Row rows[] = {
        {"accept",
         [](CertificateDialog& d) { d.findChild<QPushButton*>("acceptPermanently")->click(); },
         QDialog::Accepted},
        {"reject", [](CertificateDialog& d) { d.findChild<QPushButton*>("reject")->click(); },
         QDialog::Rejected},
        {"Enter",
         [](CertificateDialog& d) {
             QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
             QCoreApplication::sendEvent(&d, &enter);
         },
         QDialog::Rejected},
        {"Escape",
         [](CertificateDialog& d) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QCoreApplication::sendEvent(&d, &escape);
         },
         QDialog::Rejected},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CertificateDialog dialog("mail.home.lan:993", refusedFacts());
        dialog.setResult(-1);
        dialog.show();
        row.act(dialog);
        EXPECT_EQ(dialog.result(), row.result);
    }
}

TEST_F(CertificateDialogTest, GermanButtonsAndLabels) {
    Language = 0;
    CertificateFacts facts = refusedFacts();
    facts.pinnedSha256 = fingerprint("02");
    CertificateDialog dialog("mail.home.lan:993", facts);
    EXPECT_EQ(dialog.findChild<QPushButton*>("acceptPermanently")->text(),
              QString::fromUtf8("Dauerhaft akzeptieren"));
    EXPECT_EQ(dialog.findChild<QPushButton*>("reject")->text(), QString::fromUtf8("Ablehnen"));
    EXPECT_TRUE(shows(dialog, QString::fromUtf8("Gültig bis:")));
    EXPECT_TRUE(shows(dialog, QString::fromUtf8("Bisher akzeptiert:")));
    EXPECT_TRUE(shows(dialog, QString::fromUtf8("selbst signiertes Zertifikat")))
        << "the library's reason in German";
}

TEST_F(CertificateDialogTest, TheChangedCertificateFitsBothFingerprints) {
    CertificateFacts facts = refusedFacts();
    facts.pinnedSha256 = fingerprint("02");
    CertificateDialog dialog("mail.home.lan:993", facts);
    dialog.adjustSize();
    const QImage picture = dialog.grab().toImage();
    ASSERT_FALSE(picture.isNull());
    EXPECT_GE(picture.width(),
              dialog.findChild<QLabel*>("presentedFingerprint")->geometry().right());
}

} // namespace
} // namespace ombrix
