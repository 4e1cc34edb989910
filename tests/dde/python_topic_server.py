# The link's server side written with another D-Bus library (python3-dbus), for the tests that
# show any server speaking the protocol serves the add-in's links. Application "WNORB16" on the
# bus at argv[1]:
#   /frmMain  a topic without items: dde.Topic.Execute and nothing else (no Properties);
#   /frmCmd   a topic with the item "txtStatus", written by hand as dde.Items properties;
#   /frmSig   a topic as a library that routes calls by signature serves it: Execute without its
#             command is "no such method";
#   /frmOther an object that is no topic.
# Prints "serving" once the name is taken; the command "HANG" prints "hanging" and never ends.
import sys
import time

import dbus
import dbus.service
from dbus.mainloop.glib import DBusGMainLoop
from gi.repository import GLib

PROPERTIES = "org.freedesktop.DBus.Properties"


class Refused(dbus.DBusException):
    _dbus_error_name = "dde.Error.Refused"


class Cmd(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/frmCmd")
        self.items = {"txtStatus": "Ready"}

    def set_item(self, name, value):
        self.items[name] = value
        self.PropertiesChanged("dde.Items", dbus.Dictionary({name: dbus.String(value)}, signature="sv"), [])

    @dbus.service.method("dde.Topic", in_signature="s")
    def Execute(self, command):
        self.set_item("txtStatus", "done " + command)

    @dbus.service.method(PROPERTIES, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return dbus.String(self.items[name])

    @dbus.service.signal(PROPERTIES, signature="sa{sv}as")
    def PropertiesChanged(self, interface, changed, invalidated):
        pass


class Main(dbus.service.Object):
    def __init__(self, bus, cmd):
        super().__init__(bus, "/frmMain")
        self.cmd = cmd

    # The status changes before the reply goes, as the link requires.
    @dbus.service.method("dde.Topic", in_signature="s")
    def Execute(self, command):
        if command == "HANG":
            print("hanging", flush=True)
            time.sleep(3600)
        if command.startswith("NO"):
            self.cmd.set_item("txtStatus", "refused " + command)
            raise Refused("refused")
        self.cmd.set_item("txtStatus", "done " + command)


class BySignature(dbus.service.Object):
    @dbus.service.method("dde.Topic", in_signature="s")
    def Execute(self, command=None):
        if command is None:
            raise dbus.DBusException("no Execute()", name="org.freedesktop.DBus.Error.UnknownMethod")


class Other(dbus.service.Object):
    @dbus.service.method("dde.Other", in_signature="s")
    def Execute(self, command):
        pass


DBusGMainLoop(set_as_default=True)
bus = dbus.bus.BusConnection(sys.argv[1])
cmd = Cmd(bus)
objects = [cmd, Main(bus, cmd), BySignature(bus, "/frmSig"), Other(bus, "/frmOther")]
name = dbus.service.BusName("dde.WNORB16", bus)
print("serving", flush=True)
GLib.MainLoop().run()
