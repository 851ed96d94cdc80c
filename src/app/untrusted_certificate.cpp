#include "app/untrusted_certificate.h"

#include "net/certificate_trust.h"
#include "proto/session_texts.h"

namespace ombrix {

std::optional<CertificateFacts> untrustedCertificate(const AccountRecord& account) {
    if (account.useSsl == 0 || account.errorFlag != 1 ||
        !account.errorText.starts_with(session_texts::certificateNotTrusted()))
        return std::nullopt;
    return certificateTrust().refusal(peerName(account.host, account.port));
}

} // namespace ombrix
