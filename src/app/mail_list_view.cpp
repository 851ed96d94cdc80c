#include "app/mail_list_view.h"

#include "app/list_colours.h"
#include "app/shown_field.h"
#include "core/display_field.h"
#include "core/language.h"
#include "res/icons.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QStyle>
#include <algorithm>
#include <cstdio>

namespace ombrix {
namespace {

constexpr int kReadRole = Qt::UserRole;
const QSize kMailImageSize{19, 18};
constexpr int kReadWidth = 54;
constexpr int kLeastDateWidth = 70;

} // namespace

// Sender and subject share what the read mark and the date leave of the
// list's width; the date column holds a whole "DD.MM.YYYY" in the list's font
// and its title beside the sort mark.
void MailListView::shareColumns() {
    const int textMargin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("88.88.8888"));
    QHeaderView& columns = *header();
    columns.setMinimumSectionSize(0);
    columns.setSectionResizeMode(kReadColumn, QHeaderView::Fixed);
    columns.setSectionResizeMode(kSenderColumn, QHeaderView::Stretch);
    columns.setSectionResizeMode(kSubjectColumn, QHeaderView::Stretch);
    columns.setSectionResizeMode(kDateColumn, QHeaderView::Fixed);
    setColumnWidth(kReadColumn, kReadWidth);
    const int dateTitleWidth = columnHeader()->markedWidthFor(headerItem()->text(kDateColumn));
    setColumnWidth(kDateColumn,
                   std::max({kLeastDateWidth, dateWidth + 2 * textMargin, dateTitleWidth}));
}

MailListView::MailListView(QWidget* parent) : CMailListCtrl(parent) {
    setColumnCount(4);
    setHeaderLabels(
        {QString::fromUtf8(Text("gelesen", "read")), QString::fromUtf8(Text("Absender", "sender")),
         QString::fromUtf8(Text("Betreff", "subject")), QString::fromUtf8(Text("Datum", "date"))});
    shareColumns();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setIconSize(kMailImageSize);
    setContextMenuPolicy(Qt::CustomContextMenu);
    applyListBackground(*this);
    columnHeader()->SetSortMark(kDateColumn, true);

    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        if (column == kReadColumn)
            emit checkChanged(indexOfTopLevelItem(item));
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        emit rowDoubleClicked(indexOfTopLevelItem(item));
    });
    connect(columnHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { emit headerClicked(column); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        emit menuRequested(viewport()->mapToGlobal(position));
    });
}

QIcon MailListView::readImage(bool read) {
    return res::icon(read ? res::kIconMailRead : res::kIconNewMail);
}

void MailListView::addMailRow(bool read, std::string_view from, std::string_view subject,
                              const std::string& date) {
    auto* item = new QTreeWidgetItem(
        {QStringLiteral(" "), shownField(from), shownField(subject), QString::fromStdString(date)});
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setData(kReadColumn, kReadRole, read);
    item->setIcon(kReadColumn, readImage(read));
    item->setCheckState(kReadColumn, read ? Qt::Checked : Qt::Unchecked);
    addTopLevelItem(item);
}

void MailListView::setReadImage(int row, bool read) {
    if (QTreeWidgetItem* item = topLevelItem(row)) {
        item->setData(kReadColumn, kReadRole, read);
        item->setIcon(kReadColumn, readImage(read));
    }
}

bool MailListView::readImageOf(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && item->data(kReadColumn, kReadRole).toBool();
}

bool MailListView::isChecked(int row) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item && item->checkState(kReadColumn) == Qt::Checked;
}

void MailListView::setChecked(int row, bool checked) {
    if (QTreeWidgetItem* item = topLevelItem(row))
        item->setCheckState(kReadColumn, checked ? Qt::Checked : Qt::Unchecked);
}

QString MailListView::cellText(int row, int column) const {
    const QTreeWidgetItem* item = topLevelItem(row);
    return item ? item->text(column) : QString();
}

std::vector<int> MailListView::selectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < rowCount(); ++row)
        if (topLevelItem(row)->isSelected())
            rows.push_back(row);
    return rows;
}

void MailListView::selectRows(const std::vector<int>& rows, bool scroll) {
    clearSelection();
    for (const int row : rows) {
        QTreeWidgetItem* item = row >= 0 ? topLevelItem(row) : nullptr;
        if (!item)
            continue;
        item->setSelected(true);
        if (scroll)
            scrollToItem(item);
    }
}

void MailListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete) {
        emit deletePressed();
        return;
    }
    CMailListCtrl::keyPressEvent(event);
}

} // namespace ombrix
