#!/usr/bin/python3
# A desktop keyring that takes every request and never answers, like one
# waiting for an unlock prompt that nobody sees. It owns the Secret Service
# name on the session bus it is started on, swallows every call, and prints
# "ready" once it holds the name.
import dbus
import dbus.lowlevel
import dbus.mainloop.glib
from gi.repository import GLib

dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
bus = dbus.SessionBus()
bus.request_name("org.freedesktop.secrets")
ours = ("org.freedesktop.secrets", bus.get_unique_name())


def swallow(_connection, message):
    if isinstance(message, dbus.lowlevel.MethodCallMessage) and message.get_destination() in ours:
        return dbus.lowlevel.HANDLER_RESULT_HANDLED
    return dbus.lowlevel.HANDLER_RESULT_NOT_YET_HANDLED


bus.add_message_filter(swallow)
print("ready", flush=True)
GLib.MainLoop().run()
