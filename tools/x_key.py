#!/usr/bin/env python3
"""Presses and releases one key, with modifiers held, on the X display in
$DISPLAY (XTest), for scripts that drive the window without a desktop.
Usage: x_key.py KEY   (an X keysym name such as Down, or Control_L+q)"""
import ctypes
import sys

x11 = ctypes.CDLL("libX11.so.6")
xtst = ctypes.CDLL("libXtst.so.6")
x11.XOpenDisplay.restype = ctypes.c_void_p
x11.XStringToKeysym.restype = ctypes.c_ulong
display = x11.XOpenDisplay(None)
if not display:
    sys.exit("no X display")
display = ctypes.c_void_p(display)
codes = []
for name in sys.argv[1].split("+"):
    keycode = x11.XKeysymToKeycode(display, ctypes.c_ulong(x11.XStringToKeysym(name.encode())))
    if keycode == 0:
        sys.exit("unknown key " + name)
    codes.append(keycode)
for keycode in codes:
    xtst.XTestFakeKeyEvent(display, keycode, True, 0)
for keycode in reversed(codes):
    xtst.XTestFakeKeyEvent(display, keycode, False, 0)
x11.XFlush(display)
x11.XCloseDisplay(display)
