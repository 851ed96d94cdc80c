#pragma once
// Whether an account's last check failed on its server's certificate, and the
// certificate that was refused, for the tray, the menu and the dialog.

#include "core/account_table.h"
#include "net/certificate_facts.h"

#include <optional>

namespace ombrix {

// The certificate refused at the account's server while the account's last
// check failed because of it; nothing otherwise. Read the account under
// TableAccess.
std::optional<CertificateFacts> untrustedCertificate(const AccountRecord& account);

} // namespace ombrix
