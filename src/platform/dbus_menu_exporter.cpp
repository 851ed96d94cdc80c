#include "platform/dbus_menu_exporter.h"

#include <QAction>
#include <QDBusError>
#include <QEvent>
#include <QMenu>
#include <QTimer>

namespace ombrix {
namespace {

const QString kDBusMenuClicked = QStringLiteral("clicked");

bool wanted(const QStringList& names, const char* name) {
    return names.isEmpty() || names.contains(QLatin1String(name));
}

} // namespace

QString dbusMenuLabel(const QString& actionText) {
    QString label;
    label.reserve(actionText.size());
    for (qsizetype i = 0; i < actionText.size(); ++i) {
        const QChar c = actionText[i];
        if (c == QLatin1Char('_')) {
            label += QStringLiteral("__");
        } else if (c != QLatin1Char('&')) {
            label += c;
        } else if (i + 1 < actionText.size() && actionText[i + 1] == QLatin1Char('&')) {
            label += c;
            ++i;
        } else {
            label += QLatin1Char('_');
        }
    }
    return label;
}

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, const QString& path, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), path_(path) {
    registerDBusTrayTypes();
    exported_ =
        bus_.isConnected() && bus_.registerObject(path_, this,
                                                  QDBusConnection::ExportScriptableSlots |
                                                      QDBusConnection::ExportScriptableSignals |
                                                      QDBusConnection::ExportAllProperties);
}

DBusMenuExporter::~DBusMenuExporter() {
    if (exported_)
        bus_.unregisterObject(path_);
}

void DBusMenuExporter::setMenu(QMenu* menu) {
    if (menu_)
        menu_->removeEventFilter(this);
    menu_ = menu;
    ids_.clear(); // ids keep counting: a host's stale id never names a new action
    if (menu_)
        menu_->installEventFilter(this);
    menuChanged();
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionChanged:
    case QEvent::ActionRemoved:
        menuChanged();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

// A menu filled action by action tells the hosts once.
void DBusMenuExporter::menuChanged() {
    ++revision_;
    if (updatePending_)
        return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        emit LayoutUpdated(revision_, 0);
    });
}

QList<QAction*> DBusMenuExporter::actions() const {
    return menu_ ? menu_->actions() : QList<QAction*>{};
}

int DBusMenuExporter::idOf(QAction* action) {
    auto found = ids_.find(action);
    if (found == ids_.end())
        found = ids_.insert(action, nextId_++);
    return *found;
}

QAction* DBusMenuExporter::actionOf(int id) const {
    if (id <= 0) // the root, or an action that has no id yet
        return nullptr;
    for (QAction* action : actions())
        if (ids_.value(action) == id)
            return action;
    return nullptr;
}

QVariantMap DBusMenuExporter::propertiesOf(int id, const QStringList& names) {
    QVariantMap properties;
    if (id == 0) {
        if (wanted(names, "children-display"))
            properties.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
        return properties;
    }
    const QAction* action = actionOf(id);
    if (!action)
        return properties;
    if (action->isSeparator() && wanted(names, "type"))
        properties.insert(QStringLiteral("type"), QStringLiteral("separator"));
    if (!action->isSeparator() && wanted(names, "label"))
        properties.insert(QStringLiteral("label"), dbusMenuLabel(action->text()));
    if (wanted(names, "enabled"))
        properties.insert(QStringLiteral("enabled"), action->isEnabled());
    if (wanted(names, "visible"))
        properties.insert(QStringLiteral("visible"), action->isVisible());
    return properties;
}

DBusMenuLayout DBusMenuExporter::layoutOf(int id, int depth, const QStringList& names) {
    DBusMenuLayout layout;
    layout.id = id;
    if (id == 0 && depth != 0) {
        // Ids are handed out first, so that the properties find the actions.
        for (QAction* action : actions())
            layout.children.append(layoutOf(idOf(action), depth - 1, names));
    }
    layout.properties = propertiesOf(id, names);
    return layout;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayout& layout) {
    for (QAction* action : actions())
        idOf(action);
    if (!known(parentId))
        refuseUnknown(parentId);
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return revision_;
}

QList<DBusMenuItemProperties> DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                                   const QStringList& names) {
    QList<int> wantedIds = ids;
    if (wantedIds.isEmpty()) { // all of them
        wantedIds.append(0);
        for (QAction* action : actions())
            wantedIds.append(idOf(action));
    }
    QList<DBusMenuItemProperties> items;
    for (int id : wantedIds)
        if (known(id))
            items.append({id, propertiesOf(id, names)});
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name) {
    if (!known(id)) {
        refuseUnknown(id);
        return QDBusVariant(QVariant(0));
    }
    return QDBusVariant(propertiesOf(id, {name}).value(name, QVariant(0)));
}

bool DBusMenuExporter::handleEvent(int id, const QString& eventId) {
    QAction* action = actionOf(id);
    if (!action)
        return id == 0;
    // Queued: a command that opens a dialog must not hold the host's call.
    if (eventId == kDBusMenuClicked)
        QMetaObject::invokeMethod(
            action, [action] { action->trigger(); }, Qt::QueuedConnection);
    return true;
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant& /*data*/,
                             uint /*timestamp*/) {
    if (!handleEvent(id, eventId))
        refuseUnknown(id);
}

QList<int> DBusMenuExporter::EventGroup(const QList<DBusMenuEvent>& events) {
    QList<int> idErrors;
    for (const DBusMenuEvent& event : events)
        if (!handleEvent(event.id, event.eventId))
            idErrors.append(event.id);
    return idErrors;
}

bool DBusMenuExporter::AboutToShow(int /*id*/) {
    return false; // the layout the host holds is always the current one
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors) {
    idErrors.clear();
    for (int id : ids)
        if (!known(id))
            idErrors.append(id);
    return {};
}

void DBusMenuExporter::refuseUnknown(int id) {
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no menu item %1").arg(id));
}

} // namespace ombrix
