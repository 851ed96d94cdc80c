#include "app/account_list_view.h"

#include "app/list_colours.h"
#include "app/shown_field.h"
#include "core/display_field.h"
#include "core/language.h"
#include "res/icons.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>
#include <iterator>

namespace ombrix {
namespace {

constexpr int kImageRole = Qt::UserRole;
const QSize kAccountImageSize{16, 16};

// The pictures of the AccountImage values, in their order.
constexpr int kAccountImages[] = {res::kIconIdle, res::kIconFailure, res::kIconAccountUnread,
                                  res::kIconNotChecked, res::kIconDeactivated};

} // namespace

AccountListView::AccountListView(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(2);
    setHeaderLabels({QString::fromUtf8(Text("Mailkonten", "accounts")),
                     QString::fromUtf8(Text("Status", "status"))});
    header()->setSectionsClickable(false);
    setColumnWidth(0, 280);
    header()->setStretchLastSection(true); // the status takes the rest of the list's width
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setIconSize(kAccountImageSize);
    setContextMenuPolicy(Qt::CustomContextMenu);
    applyListBackground(*this);

    connect(this, &QTreeWidget::itemSelectionChanged, this,
            [this] { emit rowChosen(selectedRow()); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit menuRequested(viewport()->mapToGlobal(position));
    });
}

void AccountListView::addAccountRow(const std::string& name, const AccountStatus& status) {
    auto* item = new QTreeWidgetItem({shownField(name), shownField(status.text)});
    const int image = static_cast<int>(status.image);
    item->setData(0, kImageRole, image);
    if (image >= 0 && image < static_cast<int>(std::size(kAccountImages)))
        item->setIcon(0, res::icon(kAccountImages[image]));
    addTopLevelItem(item);
}

int AccountListView::selectedRow() const {
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            return row;
    return -1;
}

void AccountListView::removeAllRows() {
    const QSignalBlocker quiet(this);
    clear();
}

void AccountListView::selectRow(int row) {
    const QSignalBlocker quiet(this);
    clearSelection();
    QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr;
    if (!item)
        return;
    item->setSelected(true);
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    scrollToItem(item);
}

QString AccountListView::nameText(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(0) : QString();
}

QString AccountListView::statusText(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(1) : QString();
}

int AccountListView::imageOf(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->data(0, kImageRole).toInt() : -1;
}

void AccountListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

} // namespace ombrix
