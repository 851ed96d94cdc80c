#include "dialogs/certificate_dialog.h"

#include "core/display_field.h"
#include "net/certificate_texts.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace ombrix {
namespace {

namespace texts = certificate_texts;

constexpr std::size_t kPairsPerLine = 16;

QString shown(const std::string& bytes) {
    return QString::fromStdString(displayField(bytes));
}

QLabel* valueLabel(const QString& text) {
    auto* label = new QLabel(text);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* fingerprintLabel(const std::string& fingerprint, const char* name) {
    QLabel* label = valueLabel(QString::fromStdString(fingerprintLines(displayField(fingerprint))));
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

QFormLayout* factsForm(const std::string& peer, const CertificateFacts& facts) {
    auto* form = new QFormLayout;
    const auto row = [form](const char* label, const std::string& value) {
        QLabel* shownValue = valueLabel(shown(value));
        shownValue->setWordWrap(true);
        form->addRow(QString::fromUtf8(label) + QLatin1Char(':'), shownValue);
    };
    row(texts::server(), peer);
    row(texts::reason(), texts::reasonText(facts.reason));
    row(texts::subject(), facts.subject);
    row(texts::issuer(), facts.issuer);
    row(texts::validFrom(), facts.notBefore);
    row(texts::validUntil(), facts.notAfter);
    return form;
}

QLabel* heading(const char* text) {
    return new QLabel(QString::fromUtf8(text) + QLatin1Char(':'));
}

// One fingerprint under its label, or the accepted and the presented one in
// two columns, so that the user compares them at a glance.
QGridLayout* fingerprintGrid(const CertificateFacts& facts) {
    auto* grid = new QGridLayout;
    grid->addWidget(heading(texts::fingerprint()), 0, 0, 1, 2);
    if (!facts.replacesPin()) {
        grid->addWidget(fingerprintLabel(facts.sha256, "presentedFingerprint"), 1, 0);
        return grid;
    }
    grid->addWidget(heading(texts::pinnedFingerprint()), 1, 0);
    grid->addWidget(heading(texts::presentedFingerprint()), 1, 1);
    grid->addWidget(fingerprintLabel(facts.pinnedSha256, "pinnedFingerprint"), 2, 0);
    grid->addWidget(fingerprintLabel(facts.sha256, "presentedFingerprint"), 2, 1);
    grid->setHorizontalSpacing(24);
    return grid;
}

} // namespace

std::string fingerprintLines(const std::string& fingerprint) {
    constexpr std::size_t kLineLength = kPairsPerLine * 3;
    if (fingerprint.size() <= kLineLength)
        return fingerprint;
    return fingerprint.substr(0, kLineLength - 1) + '\n' + fingerprint.substr(kLineLength);
}

CertificateDialog::CertificateDialog(const std::string& peer, const CertificateFacts& facts,
                                     QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QString::fromUtf8(texts::title()));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QString::fromUtf8(facts.replacesPin() ? texts::changed() : texts::notVerified()));
    intro->setWordWrap(true);
    layout->addWidget(intro);
    layout->addLayout(factsForm(peer, facts));
    layout->addLayout(fingerprintGrid(facts));

    auto* buttons = new QDialogButtonBox;
    QPushButton* accept = buttons->addButton(QString::fromUtf8(texts::acceptPermanently()),
                                             QDialogButtonBox::AcceptRole);
    QPushButton* refuse =
        buttons->addButton(QString::fromUtf8(texts::reject()), QDialogButtonBox::RejectRole);
    accept->setObjectName(QStringLiteral("acceptPermanently"));
    refuse->setObjectName(QStringLiteral("reject"));
    // Accepting is a decision; a stray Enter must not make it.
    accept->setAutoDefault(false);
    refuse->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

} // namespace ombrix
