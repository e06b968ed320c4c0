#!/usr/bin/env python3
"""Presses and releases one key on the X display in $DISPLAY (XTest), for
scripts that drive the window without a desktop. Usage: x_key.py KEYSYM"""
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
keysym = x11.XStringToKeysym(sys.argv[1].encode())
keycode = x11.XKeysymToKeycode(display, ctypes.c_ulong(keysym))
if keycode == 0:
    sys.exit("unknown key " + sys.argv[1])
xtst.XTestFakeKeyEvent(display, keycode, True, 0)
xtst.XTestFakeKeyEvent(display, keycode, False, 0)
x11.XFlush(display)
x11.XCloseDisplay(display)
