#pragma once
// The account list of the main window: one row per account with its state image,
// its name and its status text.

#include "check/account_status.h"

#include <QTreeWidget>
#include <string>

namespace ombrix {

class AccountListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit AccountListView(QWidget* parent = nullptr);

    // Bytes as stored; shown on one line each.
    void addAccountRow(const std::string& name, const AccountStatus& status);

    // The first selected row, or -1.
    int selectedRow() const;
    // Selects the row alone and scrolls it into view; -1 clears the selection.
    // Like removeAllRows, it is the program's doing and emits no rowChosen.
    void selectRow(int row);
    void removeAllRows();

    QString nameText(int row) const;
    QString statusText(int row) const;
    int imageOf(int row) const; // the AccountImage of the row, -1 past the rows

signals:
    // The user moved the selection to a row (or to none, -1).
    void rowChosen(int row);
    void deletePressed();
    void menuRequested(const QPoint& globalPosition);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace ombrix
