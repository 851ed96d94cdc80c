// The tray menu as com.canonical.dbusmenu lays it out, called as Qt D-Bus
// calls the exporter's slots (without a bus): labels, the flat layout and
// its filters, clicks, and how a changed menu is announced.

#include "platform/dbus_menu_exporter.h"
#include "support/gui_wait.h"

#include <QAction>
#include <QMenu>
#include <gtest/gtest.h>

namespace ombrix {
namespace {

TEST(DBusMenuLabelTest, MnemonicsBecomeUnderscores) {
    const struct {
        const char* text;
        const char* label;
    } rows[] = {
        {"&Open", "_Open"},
        {"Save && quit", "Save & quit"},
        {"snake_case", "snake__case"},
        {"check mails now", "check mails now"},
        {"E&xit", "E_xit"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(dbusMenuLabel(QString::fromUtf8(row.text)), QString::fromUtf8(row.label))
            << row.text;
}

class DBusMenuExporterTest : public testing::Test {
protected:
    void SetUp() override {
        open = menu.addAction(QStringLiteral("&open"));
        menu.addSeparator();
        disabled = menu.addAction(QStringLiteral("disabled"));
        disabled->setEnabled(false);
        hidden = menu.addAction(QStringLiteral("hidden"));
        hidden->setVisible(false);
        exporter.setMenu(&menu);
    }

    DBusMenuLayout layout(int parent = 0, int depth = -1, const QStringList& names = {}) {
        DBusMenuLayout result;
        exporter.GetLayout(parent, depth, names, result);
        return result;
    }

    QMenu menu;
    QAction* open = nullptr;
    QAction* disabled = nullptr;
    QAction* hidden = nullptr;
    DBusMenuExporter exporter{QDBusConnection(QStringLiteral("no bus")),
                              QStringLiteral("/MenuBar")};
};

TEST_F(DBusMenuExporterTest, TheLayoutListsTheActionsInOrderUnderTheRoot) {
    const DBusMenuLayout root = layout();
    EXPECT_EQ(root.id, 0);
    EXPECT_EQ(root.properties.value("children-display").toString(), "submenu");
    ASSERT_EQ(root.children.size(), 4);
    const QVariantMap first = root.children[0].properties;
    EXPECT_EQ(first.value("label").toString(), "_open");
    EXPECT_TRUE(first.value("enabled").toBool());
    EXPECT_TRUE(first.value("visible").toBool());
    EXPECT_EQ(root.children[1].properties.value("type").toString(), "separator");
    EXPECT_FALSE(root.children[1].properties.contains("label"));
    EXPECT_FALSE(root.children[2].properties.value("enabled").toBool());
    EXPECT_FALSE(root.children[3].properties.value("visible").toBool());
    QList<int> ids;
    for (const DBusMenuLayout& child : root.children) {
        EXPECT_TRUE(child.children.isEmpty());
        EXPECT_GT(child.id, 0);
        EXPECT_FALSE(ids.contains(child.id));
        ids << child.id;
    }

    // What a host asks for again: the root alone, one item, some properties.
    EXPECT_TRUE(layout(0, 0).children.isEmpty());
    const DBusMenuLayout item = layout(ids[2]);
    EXPECT_EQ(item.id, ids[2]);
    EXPECT_EQ(item.properties.value("label").toString(), "disabled");
    EXPECT_EQ(layout(0, -1, {"label"}).children[0].properties.keys(), QStringList{"label"});
    EXPECT_EQ(exporter.GetProperty(ids[0], "label").variant().toString(), "_open");
    const QList<DBusMenuItemProperties> group = exporter.GetGroupProperties({ids[3], 999}, {});
    ASSERT_EQ(group.size(), 1);
    EXPECT_EQ(group[0].id, ids[3]);
    EXPECT_EQ(group[0].properties.value("label").toString(), "hidden");
    QList<int> errors;
    EXPECT_TRUE(exporter.AboutToShowGroup({0, ids[1], 999}, errors).isEmpty());
    EXPECT_EQ(errors, QList<int>{999});
    EXPECT_FALSE(exporter.AboutToShow(0));
}

TEST_F(DBusMenuExporterTest, AClickTriggersTheActionOnceTheCallIsAnswered) {
    const DBusMenuLayout root = layout();
    int opened = 0;
    int disabledRan = 0;
    QObject::connect(open, &QAction::triggered, [&] { ++opened; });
    QObject::connect(disabled, &QAction::triggered, [&] { ++disabledRan; });

    exporter.Event(root.children[0].id, "hovered", QDBusVariant(QString()), 0);
    exporter.Event(root.children[0].id, "clicked", QDBusVariant(QString()), 0);
    EXPECT_EQ(opened, 0) << "triggered inside the host's call";
    ASSERT_TRUE(test::processEventsUntil([&] { return opened > 0; }));

    const QList<int> errors = exporter.EventGroup(
        {{root.children[2].id, "clicked", QDBusVariant(0), 0}, {999, "clicked", {}, 0}});
    EXPECT_EQ(errors, QList<int>{999});
    exporter.Event(root.children[0].id, "clicked", QDBusVariant(QString()), 0);
    ASSERT_TRUE(test::processEventsUntil([&] { return opened == 2; }));
    EXPECT_EQ(disabledRan, 0) << "a disabled entry ran";
}

TEST_F(DBusMenuExporterTest, AChangedMenuIsAnnouncedOnceWithANewRevision) {
    QList<uint> announced;
    QObject::connect(&exporter, &DBusMenuExporter::LayoutUpdated, [&](uint revision, int parent) {
        EXPECT_EQ(parent, 0);
        announced << revision;
    });
    const uint before = exporter.revision();
    menu.addAction(QStringLiteral("one more"));
    menu.addAction(QStringLiteral("and another"));
    ASSERT_TRUE(test::processEventsUntil([&] { return !announced.isEmpty(); }));
    EXPECT_EQ(announced.size(), 1);
    EXPECT_GT(announced.front(), before);
    EXPECT_EQ(layout().children.size(), 6);

    // Another menu: the old one's ids name nothing any more.
    const int oldId = layout().children[0].id;
    QMenu other;
    other.addAction(QStringLiteral("other"));
    exporter.setMenu(&other);
    const DBusMenuLayout now = layout();
    ASSERT_EQ(now.children.size(), 1);
    EXPECT_NE(now.children[0].id, oldId);
    EXPECT_TRUE(exporter.GetGroupProperties({oldId}, {}).isEmpty());
}

} // namespace
} // namespace ombrix
