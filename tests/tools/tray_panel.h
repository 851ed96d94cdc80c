#pragma once
// A desktop's top panel with one StatusNotifierItem in its tray, drawn from
// what the item offers, and the item's tooltip open under it as a pointer
// resting on the icon would show it.

#include "tools/tray_item_reader.h"

#include <QWidget>

namespace ombrix::standin {

class TrayPanel : public QWidget {
    Q_OBJECT

public:
    explicit TrayPanel(const TrayItem& item, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TrayItem item_;
};

} // namespace ombrix::standin
