#pragma once
// The mail list of the main window: a row per mail of one account with a read
// image and check box, sender, subject and date; the header marks the sort.

#include "dialogs/mail_list_ctrl.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrix {

enum MailColumn { kReadColumn = 0, kSenderColumn = 1, kSubjectColumn = 2, kDateColumn = 3 };

class MailListView : public CMailListCtrl {
    Q_OBJECT

public:
    explicit MailListView(QWidget* parent = nullptr);

    // Bytes as stored; a control character never reaches the screen.
    void addMailRow(bool read, std::string_view from, std::string_view subject,
                    const std::string& date);
    void setReadImage(int row, bool read);
    bool readImageOf(int row) const;

    bool isChecked(int row) const;
    void setChecked(int row, bool checked);

    int rowCount() const { return topLevelItemCount(); }
    QString cellText(int row, int column) const;

    // Selected rows, top to bottom.
    std::vector<int> selectedRows() const;
    // Selects exactly these rows (those that exist); optionally scrolls to each.
    void selectRows(const std::vector<int>& rows, bool scroll);

signals:
    void checkChanged(int row);
    void rowDoubleClicked(int row);
    void headerClicked(int column);
    void deletePressed();
    void menuRequested(const QPoint& globalPosition);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void shareColumns();
    static QIcon readImage(bool read);
};

} // namespace ombrix
