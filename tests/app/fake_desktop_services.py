#!/usr/bin/python3
"""The desktop services a real session offers, played on a private session bus
for the end-to-end tests: a notification server (org.freedesktop.Notifications
with actions and body-markup) and a StatusNotifierWatcher with a host, which
comes and goes on command.

Usage: fake_desktop_services.py LOG < COMMANDS

Every call the program makes goes to LOG as one tab-separated line:
    notify ID REPLACES SUMMARY BODY ACTIONS HINTS   (BODY's line breaks as \\n;
                                                     ACTIONS and HINTS ","-joined)
    close ID
    item SERVICE PATH ID-PROPERTY                   (an item registered)
Commands, one a line on standard input:
    watcher-up | watcher-down | invoke ID ACTION [TOKEN] | close ID | quit
"invoke" sends ActivationToken (when TOKEN is given), then ActionInvoked.
"""

import sys

from gi.repository import Gio, GLib

NOTIFICATIONS = """
<node>
  <interface name="org.freedesktop.Notifications">
    <method name="GetCapabilities"><arg type="as" direction="out"/></method>
    <method name="GetServerInformation">
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
      <arg type="s" direction="out"/><arg type="s" direction="out"/>
    </method>
    <method name="Notify">
      <arg type="s" direction="in"/><arg type="u" direction="in"/>
      <arg type="s" direction="in"/><arg type="s" direction="in"/>
      <arg type="s" direction="in"/><arg type="as" direction="in"/>
      <arg type="a{sv}" direction="in"/><arg type="i" direction="in"/>
      <arg type="u" direction="out"/>
    </method>
    <method name="CloseNotification"><arg type="u" direction="in"/></method>
    <signal name="NotificationClosed"><arg type="u"/><arg type="u"/></signal>
    <signal name="ActionInvoked"><arg type="u"/><arg type="s"/></signal>
    <signal name="ActivationToken"><arg type="u"/><arg type="s"/></signal>
  </interface>
</node>"""

WATCHER = """
<node>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
    <method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>"""


class Services:
    def __init__(self, log_path):
        self.log = open(log_path, "a", buffering=1, encoding="utf-8")
        self.bus = Gio.bus_get_sync(Gio.BusType.SESSION, None)
        self.next_id = 41
        self.items = []
        self.watcher_owner = 0
        self.watcher_object = 0
        info = Gio.DBusNodeInfo.new_for_xml(NOTIFICATIONS).interfaces[0]
        self.bus.register_object("/org/freedesktop/Notifications", info, self.on_notifications,
                                 None, None)
        Gio.bus_own_name_on_connection(self.bus, "org.freedesktop.Notifications",
                                       Gio.BusNameOwnerFlags.NONE, None, None)

    def write(self, *fields):
        self.log.write("\t".join(str(f).replace("\n", "\\n") for f in fields) + "\n")

    def on_notifications(self, _bus, _sender, _path, _iface, method, params, call):
        if method == "GetCapabilities":
            call.return_value(GLib.Variant("(as)", (["actions", "body", "body-markup"],)))
        elif method == "GetServerInformation":
            call.return_value(GLib.Variant("(ssss)", ("fake", "ombrix-tests", "1", "1.2")))
        elif method == "Notify":
            _app, replaces, _icon, summary, body, actions, hints, _timeout = params.unpack()
            notification_id = replaces or self.next_id
            if not replaces:
                self.next_id += 1
            hint_text = ",".join(f"{k}={hints[k]}" for k in sorted(hints))
            self.write("notify", notification_id, replaces, summary, body, ",".join(actions),
                       hint_text)
            call.return_value(GLib.Variant("(u)", (notification_id,)))
        elif method == "CloseNotification":
            (notification_id,) = params.unpack()
            self.write("close", notification_id)
            call.return_value(None)
            self.emit("NotificationClosed", "(uu)", (notification_id, 3))

    def emit(self, signal, signature, values):
        self.bus.emit_signal(None, "/org/freedesktop/Notifications",
                             "org.freedesktop.Notifications", signal,
                             GLib.Variant(signature, values))

    def on_watcher(self, _bus, sender, _path, _iface, method, params, call):
        (name,) = params.unpack()
        call.return_value(None)
        if method != "RegisterStatusNotifierItem":
            return
        service, path = (sender, name) if name.startswith("/") else (name, "/StatusNotifierItem")
        self.items.append(service)
        GLib.idle_add(self.read_item, service, path)

    def read_item(self, service, path):
        try:
            reply = self.bus.call_sync(service, path, "org.freedesktop.DBus.Properties", "Get",
                                       GLib.Variant("(ss)", ("org.kde.StatusNotifierItem", "Id")),
                                       GLib.VariantType("(v)"), Gio.DBusCallFlags.NONE, 5000,
                                       None)
            item_id = reply.unpack()[0]
        except GLib.Error as error:
            item_id = "unreadable: " + error.message
        self.write("item", service, path, item_id)
        return False

    def on_watcher_property(self, _bus, _sender, _path, _iface, name):
        if name == "RegisteredStatusNotifierItems":
            return GLib.Variant("as", self.items)
        if name == "IsStatusNotifierHostRegistered":
            return GLib.Variant("b", True)
        return GLib.Variant("i", 0)

    def watcher_up(self):
        if self.watcher_owner:
            return
        info = Gio.DBusNodeInfo.new_for_xml(WATCHER).interfaces[0]
        self.watcher_object = self.bus.register_object("/StatusNotifierWatcher", info,
                                                       self.on_watcher, self.on_watcher_property,
                                                       None)
        self.watcher_owner = Gio.bus_own_name_on_connection(
            self.bus, "org.kde.StatusNotifierWatcher", Gio.BusNameOwnerFlags.NONE, None, None)

    def watcher_down(self):
        if not self.watcher_owner:
            return
        Gio.bus_unown_name(self.watcher_owner)
        self.bus.unregister_object(self.watcher_object)
        self.watcher_owner = 0
        self.items = []

    def command(self, line):
        words = line.split()
        if not words:
            return True
        if words[0] == "watcher-up":
            self.watcher_up()
        elif words[0] == "watcher-down":
            self.watcher_down()
        elif words[0] == "invoke":
            notification_id = int(words[1])
            if len(words) > 3:
                self.emit("ActivationToken", "(us)", (notification_id, words[3]))
            self.emit("ActionInvoked", "(us)", (notification_id, words[2]))
        elif words[0] == "close":
            self.emit("NotificationClosed", "(uu)", (int(words[1]), 2))
        elif words[0] == "quit":
            return False
        self.write("done", line.strip())
        return True


def main():
    services = Services(sys.argv[1])
    loop = GLib.MainLoop()
    stdin = GLib.IOChannel.unix_new(sys.stdin.fileno())

    def on_input(channel, condition):
        if condition & GLib.IO_IN:
            line = channel.readline()
            if line and services.command(line):
                return True
        loop.quit()
        return False

    GLib.io_add_watch(stdin, GLib.PRIORITY_DEFAULT, GLib.IO_IN | GLib.IO_HUP, on_input)
    services.write("ready")
    loop.run()


if __name__ == "__main__":
    main()
