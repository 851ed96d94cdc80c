#pragma once
// The mail list: a report-style list whose header marks the sort column with
// a small three-dimensional triangle at the right end of its section.

#include <QHeaderView>
#include <QTreeWidget>
#include <set>

namespace ombrix {

class CColumnHeader final : public QHeaderView {
public:
    explicit CColumnHeader(QWidget* parent = nullptr);

    // Marks `column` (triangle up or down) and returns the column marked
    // before (-1 at first). A column once marked stays drawn by this header.
    int SetSortMark(int column, bool up);

    int sortColumn() const { return sortColumn_; }
    bool sortUp() const { return sortUp_; }
    bool isOwnerDrawn(int column) const { return ownerDrawn_.contains(column); }

    // The mark's geometry for a section rectangle, with o = twice a space's
    // width: the points of both pens' lines, light first.
    struct Triangle {
        QList<QLine> light;
        QList<QLine> dark;
    };
    static Triangle triangleFor(const QRect& section, int o, bool up);
    int markUnit() const; // o
    // The width a section needs to show `text` whole beside the sort mark.
    int markedWidthFor(const QString& text) const;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawItem(QPainter* painter, const QRect& rect, int logicalIndex) const;

    int sortColumn_ = -1;
    bool sortUp_ = true;
    int pressedSection_ = -1;
    std::set<int> ownerDrawn_;
};

class CMailListCtrl : public QTreeWidget {
public:
    explicit CMailListCtrl(QWidget* parent = nullptr);

    CColumnHeader* columnHeader() const { return header_; }

private:
    CColumnHeader* header_;
};

} // namespace ombrix
