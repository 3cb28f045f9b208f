#!/usr/bin/env python3
"""Renders the scalable icon into the hicolor PNG sizes the package installs:

    scripts/icons.py     writes data/icons/hicolor/NxN/apps/ID.png

The PNGs are committed, so building needs no SVG renderer; run this after
changing the SVG. It calls the system's librsvg and cairo libraries directly
(Debian: librsvg2-2, libcairo2), so no Python package is needed.
"""
import ctypes
import ctypes.util
import os
import sys

ICON_ID = "io.github.t3208tool.t3208tool"
SIZES = (48, 256)
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SVG = os.path.join(ROOT, "data", "icons", ICON_ID + ".svg")


def png_path(size):
    return os.path.join(ROOT, "data", "icons", "hicolor", f"{size}x{size}", "apps", ICON_ID + ".png")


def load(name, soname):
    return ctypes.CDLL(ctypes.util.find_library(name) or soname)


class RsvgRectangle(ctypes.Structure):
    _fields_ = [("x", ctypes.c_double), ("y", ctypes.c_double),
                ("width", ctypes.c_double), ("height", ctypes.c_double)]


def render(size, out):
    rsvg = load("rsvg-2", "librsvg-2.so.2")
    cairo = load("cairo", "libcairo.so.2")
    rsvg.rsvg_handle_new_from_file.restype = ctypes.c_void_p
    rsvg.rsvg_handle_new_from_file.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_void_p)]
    rsvg.rsvg_handle_render_document.restype = ctypes.c_int
    rsvg.rsvg_handle_render_document.argtypes = [ctypes.c_void_p, ctypes.c_void_p,
                                                 ctypes.POINTER(RsvgRectangle),
                                                 ctypes.POINTER(ctypes.c_void_p)]
    cairo.cairo_image_surface_create.restype = ctypes.c_void_p
    cairo.cairo_image_surface_create.argtypes = [ctypes.c_int, ctypes.c_int, ctypes.c_int]
    cairo.cairo_create.restype = ctypes.c_void_p
    cairo.cairo_create.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_write_to_png.restype = ctypes.c_int
    cairo.cairo_surface_write_to_png.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    cairo.cairo_destroy.argtypes = [ctypes.c_void_p]
    cairo.cairo_surface_destroy.argtypes = [ctypes.c_void_p]

    error = ctypes.c_void_p()
    handle = rsvg.rsvg_handle_new_from_file(SVG.encode(), ctypes.byref(error))
    if not handle:
        sys.exit(f"icons: librsvg cannot read {SVG}")
    CAIRO_FORMAT_ARGB32 = 0
    surface = cairo.cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size)
    cr = cairo.cairo_create(surface)
    viewport = RsvgRectangle(0, 0, size, size)
    if not rsvg.rsvg_handle_render_document(handle, cr, ctypes.byref(viewport), ctypes.byref(error)):
        sys.exit(f"icons: librsvg cannot render {SVG}")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    if cairo.cairo_surface_write_to_png(surface, out.encode()) != 0:
        sys.exit(f"icons: cannot write {out}")
    cairo.cairo_destroy(cr)
    cairo.cairo_surface_destroy(surface)


def main():
    for size in SIZES:
        render(size, png_path(size))
        print(os.path.relpath(png_path(size), ROOT))


if __name__ == "__main__":
    main()
