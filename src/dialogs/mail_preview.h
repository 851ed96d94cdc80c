#pragma once
// The mail preview: one mail of the mail list as plain text, exactly as the
// last check stored it. Nothing is fetched, decoded or rendered, so no
// content of a mail (attachments, scripts, HTML) is ever interpreted.

#include <QDialog>
#include <QString>
#include <cstdint>

namespace ombrix {

struct AccountRecord;

// The size as the preview shows it: above 1023 octets in whole KB (rounded
// down), else in Bytes. Both units serve both languages.
struct PreviewSize {
    QString number;
    QString unit;
};
PreviewSize previewSize(std::int32_t size);

class CMailPreview final : public QDialog {
public:
    // Shows mail `mail` of `account`; a mail outside the account's list
    // leaves every field empty. Reads the account once; writes nothing.
    CMailPreview(const AccountRecord& account, int mail, QWidget* parent = nullptr);

    // The mail index (row of the mail list) the preview shows.
    int mail() const { return mail_; }

private:
    int mail_;
};

} // namespace ombrix
