#pragma once
// Asks whether to accept a server certificate that does not verify: the
// server and port, why it does not verify, whom it names and who issued it,
// its validity and its SHA-256 fingerprint. When it replaces a certificate
// the user accepted before, both fingerprints stand side by side. "Accept
// permanently" closes it accepted, "Reject" (also Enter and Escape) rejected;
// the caller pins.

#include "net/certificate_facts.h"

#include <QDialog>
#include <string>

namespace ombrix {

class CertificateDialog final : public QDialog {
public:
    // Object names for tests: "acceptPermanently", "reject",
    // "presentedFingerprint", "pinnedFingerprint" (only with a replaced pin).
    CertificateDialog(const std::string& peer, const CertificateFacts& facts,
                      QWidget* parent = nullptr);
};

// The fingerprint in two lines of 16 pairs, as wide as a dialog can show it.
std::string fingerprintLines(const std::string& fingerprint);

} // namespace ombrix
