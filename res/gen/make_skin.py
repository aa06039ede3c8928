#!/usr/bin/env python3
"""Draws the skin images of the program and writes them to res/skin/.

Pure Python 3 (zlib and struct only): every image is drawn on an RGBA canvas
with anti-aliased shapes in the skin palette, then written as PNG (and the
wait animation as GIF89a). Also writes res/skin/skin.rc (the resource list
included by res/dorvik.rc) and res/skin/README.md (id, size and purpose of
every image). Run from anywhere: python3 res/gen/make_skin.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.normpath(os.path.join(HERE, '..', 'skin'))

# Palette of the skin.
BLUE = (0x48, 0x95, 0xCF)
GREY = (0x85, 0x85, 0x85)
FRAME = (0x5B, 0x8F, 0xC7)
DARK_BLUE = (0x14, 0x60, 0xB2)
WHITE = (0xFF, 0xFF, 0xFF)
SKIN = (0xD6, 0xE0, 0xE8)
TEXT = (0x44, 0x44, 0x44)
DISABLED = (0xB2, 0xB2, 0xB2)
LIGHT = (0xF4, 0xF8, 0xFB)
PALE_BLUE = (0xBB, 0xD5, 0xEE)
SELECTED = (0x50, 0xA2, 0xD8)
GREEN = (0x43, 0x8C, 0x12)


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def blend(self, x, y, rgb, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        a = min(a, 1.0)
        p = self.px[y * self.w + x]
        da = p[3] / 255.0
        oa = a + da * (1 - a)
        if oa <= 0:
            return
        for i in range(3):
            p[i] = int(round((rgb[i] * a + p[i] * da * (1 - a)) / oa))
        p[3] = int(round(oa * 255))

    def shape(self, inside, colour, x0=0, y0=0, x1=None, y1=None):
        """inside(x, y) -> signed distance (negative inside); colour(x, y) -> rgb."""
        x1 = self.w if x1 is None else x1
        y1 = self.h if y1 is None else y1
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                d = inside(x + 0.5, y + 0.5)
                cov = max(0.0, min(1.0, 0.5 - d))
                if cov > 0:
                    c = colour(x, y) if callable(colour) else colour
                    self.blend(x, y, c, cov)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                self.blend(x, y, colour(x, y) if callable(colour) else colour, 1.0)

    def line(self, xa, ya, xb, yb, colour, width=1.0):
        def dist(x, y):
            dx, dy = xb - xa, yb - ya
            L = dx * dx + dy * dy
            t = 0 if L == 0 else max(0, min(1, ((x - xa) * dx + (y - ya) * dy) / L))
            return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) - width / 2
        self.shape(dist, colour)

    def png(self):
        raw = b''.join(b'\0' + bytes(v for p in self.px[y * self.w:(y + 1) * self.w] for v in p)
                       for y in range(self.h))

        def chunk(tag, data):
            return struct.pack('>I', len(data)) + tag + data + struct.pack(
                '>I', zlib.crc32(tag + data) & 0xffffffff)
        return (b'\x89PNG\r\n\x1a\n' +
                chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def round_rect(x0, y0, x1, y1, r):
    """Signed distance to a rounded rectangle (pixel edges x0..x1, y0..y1)."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - r
    return d


def circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def ring(cx, cy, r, width):
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2


def vgrad(top, bottom, h):
    return lambda x, y: mix(top, bottom, y / max(1, h - 1))


# ---- images -----------------------------------------------------------------

def push_button(face_top, face_bottom, border, w=109, h=26):
    c = Canvas(w, h)
    c.shape(round_rect(0, 0, w, h, 4), border)
    c.shape(round_rect(1, 1, w - 1, h - 1, 3), vgrad(face_top, face_bottom, h))
    # a soft highlight along the top edge
    c.shape(round_rect(2, 1, w - 2, 3, 1), WHITE if face_top != DISABLED else face_top)
    return c


def check_box(state):
    c = Canvas(14, 14)
    border = DISABLED if state == 'disabled' else FRAME
    fill = (0xF0, 0xF0, 0xF0) if state == 'disabled' else WHITE
    c.shape(round_rect(0, 0, 14, 14, 2), border)
    c.shape(round_rect(1, 1, 13, 13, 1.5), vgrad(fill, mix(fill, SKIN, 0.6), 14))
    if state == 'checked':
        c.line(3.5, 7.2, 6.0, 10.0, DARK_BLUE, 2.0)
        c.line(6.0, 10.0, 10.8, 3.8, DARK_BLUE, 2.0)
    return c


def radio(selected):
    c = Canvas(14, 14)
    c.shape(circle(7, 7, 6.5), FRAME)
    c.shape(circle(7, 7, 5.5), vgrad(WHITE, SKIN, 14))
    if selected:
        c.shape(circle(7, 7, 3.0), vgrad(BLUE, DARK_BLUE, 14))
    return c


def marker(hot):
    # The row marker: a small round badge with an "i"-like mark.
    c = Canvas(14, 14)
    body = DARK_BLUE if hot else BLUE
    c.shape(circle(7, 7, 6.5), body)
    c.shape(circle(7, 4.2, 1.2), WHITE)
    c.line(7, 6.6, 7, 10.6, WHITE, 1.8)
    return c


def expander(expanded):
    c = Canvas(9, 9)
    c.shape(round_rect(0, 0, 9, 9, 1), GREY)
    c.shape(round_rect(1, 1, 8, 8, 0.5), vgrad(WHITE, SKIN, 9))
    c.rect(2, 4, 7, 5, DARK_BLUE)
    if not expanded:
        c.rect(4, 2, 5, 7, DARK_BLUE)
    return c


def remove_zone():
    # The remove button of a scan zone: a round badge with a cross.
    c = Canvas(30, 30)
    c.shape(circle(15, 15, 11.5), FRAME)
    c.shape(circle(15, 15, 10.5), vgrad(WHITE, SKIN, 30))
    c.line(11, 11, 19, 19, DARK_BLUE, 2.2)
    c.line(19, 11, 11, 19, DARK_BLUE, 2.2)
    return c


def header(state):
    top, bottom = {'normal': (BLUE, DARK_BLUE), 'hot': ((0x6A, 0xAC, 0xDD), BLUE),
                   'pressed': (DARK_BLUE, (0x0E, 0x4A, 0x8C))}[state]
    c = Canvas(16, 29)
    c.rect(0, 0, 16, 29, vgrad(top, bottom, 29))
    c.rect(0, 0, 16, 1, mix(top, WHITE, 0.35))
    c.rect(0, 28, 16, 29, mix(bottom, (0, 0, 0), 0.25))
    return c


def toolbar_button(kind):
    # 256 x 32 strips behind the toolbar buttons; only the left part shows.
    c = Canvas(256, 32)
    c.rect(0, 0, 256, 32, vgrad(WHITE, (0xE4, 0xEC, 0xF3), 32))
    c.rect(0, 31, 256, 32, PALE_BLUE)
    if kind != 'first':
        c.rect(0, 5, 1, 27, PALE_BLUE)
        c.rect(1, 5, 2, 27, WHITE)
    if kind == 'first':
        c.shape(round_rect(0, 0, 12, 32, 4), vgrad(WHITE, (0xE4, 0xEC, 0xF3), 32), 0, 0, 6, 32)
    return c


def toolbar_shadow():
    c = Canvas(256, 4)
    for y in range(4):
        c.rect(0, y, 256, y + 1, SKIN)
        for x in range(256):
            c.px[y * 256 + x][3] = int(150 * (1 - y / 4))
    return c


def toolbar_background():
    w, h = 1024, 115
    c = Canvas(w, h)
    c.rect(0, 0, w, h, vgrad((0xEE, 0xF3, 0xF8), SKIN, h))
    # gentle diagonal bands for a finished look
    for y in range(h):
        for x in range(w):
            t = (math.sin((x + y * 2.2) / 90.0) + 1) / 2
            c.blend(x, y, WHITE, 0.10 * t)
    c.rect(0, h - 2, w, h - 1, PALE_BLUE)
    c.rect(0, h - 1, w, h, FRAME)
    return c


def combo_strip():
    c = Canvas(511, 23)
    c.shape(round_rect(0, 0, 511, 23, 4), PALE_BLUE)
    c.shape(round_rect(1, 1, 510, 22, 3), vgrad(WHITE, (0xE6, 0xEE, 0xF5), 23))
    return c


def combo_arrow():
    c = Canvas(9, 6)
    c.shape(lambda x, y: max(y - 5.5, abs(x - 4.5) - (5.5 - y) * 0.82 - 0.2), DARK_BLUE)
    return c


def tab(kind):
    """Tab strips of 512 x 25; the left end shows how the tab meets its left neighbour."""
    w, h = 512, 25
    sel = kind in ('selected', 'first_selected')
    top, bottom = (BLUE, DARK_BLUE) if sel else (WHITE, SKIN)
    c = Canvas(w, h)
    c.rect(0, 0, w, h, WHITE)
    # body with rounded top corners
    c.shape(round_rect(0, 1, w + 8, h + 6, 5), DARK_BLUE if sel else FRAME)
    c.shape(round_rect(1, 2, w + 7, h + 6, 4), vgrad(top, bottom, h))
    if kind == 'right_of_selected':
        # the selected tab on the left ends in a dark edge at x = 0
        c.rect(0, 1, 2, h, DARK_BLUE)
    elif kind == 'ordinary':
        c.rect(0, 5, 1, h - 3, FRAME)
    c.rect(0, h - 1, w, h, DARK_BLUE)  # the strip's base line
    return c


def tab_end(last_checked):
    c = Canvas(16, 25)
    c.rect(0, 0, 16, 25, WHITE)
    c.rect(0, 24, 16, 25, DARK_BLUE)
    edge = DARK_BLUE if last_checked else FRAME
    c.rect(0, 2 if last_checked else 5, 1, 24, edge)
    if last_checked:
        c.rect(1, 3, 2, 24, mix(DARK_BLUE, WHITE, 0.6))
    return c


def about_logo():
    c = Canvas(70, 80)
    # A camera lens: rings in the palette, a highlight, and a base
    c.shape(circle(35, 33, 28), vgrad(BLUE, DARK_BLUE, 80))
    c.shape(circle(35, 33, 22), WHITE)
    c.shape(circle(35, 33, 19), vgrad((0x2A, 0x3E, 0x55), (0x10, 0x1C, 0x2A), 80))
    c.shape(circle(35, 33, 11), vgrad(DARK_BLUE, (0x0A, 0x30, 0x5A), 80))
    c.shape(circle(35, 33, 5), (0x05, 0x10, 0x20))
    c.shape(circle(29, 27, 3.5), (0xE8, 0xF2, 0xFB))
    c.shape(ring(35, 33, 25, 1.2), PALE_BLUE)
    c.shape(round_rect(17, 66, 53, 74, 3), FRAME)
    c.shape(round_rect(27, 60, 43, 68, 2), BLUE)
    return c


def help_button():
    # A round blue badge with a question mark, for the help buttons of the settings pages.
    c = Canvas(25, 25)
    c.shape(circle(12.5, 12.5, 12), FRAME)
    c.shape(circle(12.5, 12.5, 11), vgrad(BLUE, DARK_BLUE, 25))
    # the hook of the mark: the upper part of a ring, then a short stem
    def hook(x, y):
        d = abs(math.hypot(x - 12.5, y - 9.5) - 4.0) - 1.3
        # keep the arc from the left side over the top to the lower right
        a = math.atan2(y - 9.5, x - 12.5)
        return d if -math.pi <= a <= math.pi * 0.35 else 1.0
    c.shape(hook, WHITE)
    c.line(14.2, 12.8, 12.5, 14.6, WHITE, 2.6)
    c.line(12.5, 14.6, 12.5, 16.0, WHITE, 2.6)
    c.shape(circle(12.5, 19.6, 1.5), WHITE)
    return c


def motion_help():
    w, h = 480, 338
    c = Canvas(w, h)
    c.rect(0, 0, w, h, WHITE)
    vx0, vy0, vx1, vy1 = 20, 20, 460, 300
    # a camera view: sky, far hills, ground
    c.rect(vx0, vy0, vx1, vy1, vgrad((0xC9, 0xDF, 0xF2), (0xEE, 0xF4, 0xFA), vy1))
    for x in range(vx0, vx1):
        hill = 170 + 25 * math.sin(x / 55.0) + 12 * math.sin(x / 17.0)
        for y in range(int(hill), vy1):
            c.blend(x, y, mix((0x9F, 0xB8, 0x8F), (0x6E, 0x8C, 0x5E), (y - hill) / 130), 1.0)
    c.rect(vx0, 230, vx1, vy1, vgrad((0xB5, 0xB5, 0xAE), (0x8E, 0x8E, 0x88), vy1))
    # grid of the detection cells
    for i in range(1, 16):
        x = vx0 + (vx1 - vx0) * i // 16
        c.rect(x, vy0, x + 1, vy1, (0xFF, 0xFF, 0xFF))
        for y in range(vy0, vy1):
            c.px[y * w + x][:3] = mix(c.px[y * w + x][:3], WHITE, 0.5)
    for j in range(1, 12):
        y = vy0 + (vy1 - vy0) * j // 12
        for x in range(vx0, vx1):
            c.px[y * w + x][:3] = mix(c.px[y * w + x][:3], WHITE, 0.5)
    # the motion window being set
    mx0, my0, mx1, my1 = 185, 135, 350, 255
    for y in range(my0, my1):
        for x in range(mx0, mx1):
            c.blend(x, y, BLUE, 0.28)
    for (a, b, cc, d) in ((mx0, my0, mx1, my0 + 2), (mx0, my1 - 2, mx1, my1),
                          (mx0, my0, mx0 + 2, my1), (mx1 - 2, my0, mx1, my1)):
        c.rect(a, b, cc, d, DARK_BLUE)
    for (x, y) in ((mx0, my0), (mx1, my0), (mx0, my1), (mx1, my1)):
        c.shape(round_rect(x - 5, y - 5, x + 5, y + 5, 1.5), WHITE)
        c.shape(round_rect(x - 4, y - 4, x + 4, y + 4, 1), DARK_BLUE)
    # a moving figure inside the window
    c.shape(circle(262, 178, 9), (0x3A, 0x3A, 0x3A))
    c.shape(round_rect(252, 188, 272, 228, 6), (0x3A, 0x3A, 0x3A))
    c.line(254, 226, 246, 250, (0x3A, 0x3A, 0x3A), 6)
    c.line(270, 226, 280, 250, (0x3A, 0x3A, 0x3A), 6)
    # frame of the view and the coordinate axes below it
    for (a, b, cc, d) in ((vx0 - 1, vy0 - 1, vx1 + 1, vy0), (vx0 - 1, vy1, vx1 + 1, vy1 + 1),
                          (vx0 - 1, vy0, vx0, vy1), (vx1, vy0, vx1 + 1, vy1)):
        c.rect(a, b, cc, d, FRAME)
    c.line(vx0, 318, vx1, 318, GREY, 1.2)
    c.shape(lambda x, y: max(abs(y - 318) - (vx1 + 8 - x) * 0.5, x - (vx1 + 8), vx1 - x), GREY)
    c.line(8, vy0, 8, vy1, GREY, 1.2)
    c.shape(lambda x, y: max(abs(x - 8) - (y - (vy0 - 8)) * 0.5, (vy0 - 8) - y, y - vy0), GREY)
    for i in range(0, 17):
        x = vx0 + (vx1 - vx0) * i // 16
        c.rect(x, 314, x + 1, 322, GREY)
    return c


# ---- GIF89a -----------------------------------------------------------------

def lzw(indices, min_size):
    clear, end = 1 << min_size, (1 << min_size) + 1
    out, bits, nbits = bytearray(), 0, 0
    size = min_size + 1

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xff)
            bits >>= 8
            nbits -= 8

    table = {(i,): i for i in range(clear)}
    nxt = end + 1
    emit(clear)
    w = ()
    for k in indices:
        wk = w + (k,)
        if wk in table:
            w = wk
            continue
        emit(table[w])
        if nxt < 4096:
            table[wk] = nxt
            nxt += 1
            if nxt > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            nxt, size = end + 1, min_size + 1
        w = (k,)
    if w:
        emit(table[w])
    emit(end)
    if nbits:
        out.append(bits & 0xff)
    return bytes(out)


def spinner_gif(size=20, frames=8, delay=10):
    colours = [WHITE] + [mix(WHITE, DARK_BLUE, t / 7) for t in range(1, 8)]  # 8 shades
    colours += [WHITE] * (16 - len(colours))
    data = bytearray(b'GIF89a' + struct.pack('<HHBBB', size, size, 0xF3, 0, 0))
    for c in colours:
        data += bytes(c)
    data += b'\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00'  # loop for ever
    for f in range(frames):
        cv = Canvas(size, size, (255, 255, 255, 255))
        for i in range(frames):
            age = (f - i) % frames  # 0 = the head of the turn
            shade = max(1, 7 - age)
            ang = 2 * math.pi * i / frames - math.pi / 2
            cx, cy = size / 2 + 6.5 * math.cos(ang), size / 2 + 6.5 * math.sin(ang)
            cv.shape(circle(cx, cy, 2.3 if age == 0 else 2.0), colours[shade])
        idx = []
        for p in cv.px:
            best = min(range(8), key=lambda k: sum((p[j] - colours[k][j]) ** 2 for j in range(3)))
            idx.append(best)
        data += b'\x21\xf9\x04' + struct.pack('<BHBB', 0, delay, 0, 0)
        data += b'\x2c' + struct.pack('<HHHHB', 0, 0, size, size, 0)
        body = lzw(idx, 4)
        data += bytes([4])
        for i in range(0, len(body), 255):
            blk = body[i:i + 255]
            data += bytes([len(blk)]) + blk
        data += b'\x00'
    data += b'\x3b'
    return bytes(data)


# ---- the list -----------------------------------------------------------------

IMAGES = [
    # id, file, builder, purpose
    (327, 'check_on.png', lambda: check_box('checked'), 'check box checked (device rows, check-all, option boxes)'),
    (328, 'check_off.png', lambda: check_box('off'), 'check box unchecked (also under the mouse)'),
    (329, 'check_disabled.png', lambda: check_box('disabled'), 'check box disabled'),
    (330, 'marker.png', lambda: marker(False), 'row marker, normal and disabled'),
    (331, 'marker_hot.png', lambda: marker(True), 'row marker, mouse over and pressed'),
    (332, 'radio_on.png', lambda: radio(True), 'radio / option button selected'),
    (333, 'radio_off.png', lambda: radio(False), 'radio / option button not selected'),
    (334, 'about.png', about_logo, 'about button of the main window (all four states)'),
    (335, 'button_normal.png', lambda: push_button(LIGHT, SKIN, FRAME), 'push button, normal'),
    (336, 'button_disabled.png', lambda: push_button((0xF2, 0xF2, 0xF2), (0xE4, 0xE4, 0xE4), DISABLED), 'push button, disabled'),
    (337, 'button_pressed.png', lambda: push_button(PALE_BLUE, (0x9D, 0xC3, 0xE6), DARK_BLUE), 'push button, pressed'),
    (338, 'button_hover.png', lambda: push_button((0xFF, 0xFF, 0xFF), PALE_BLUE, BLUE), 'push button, mouse over'),
    (339, 'expand_plus.png', lambda: expander(False), 'row expander, collapsed'),
    (340, 'expand_minus.png', lambda: expander(True), 'row expander, expanded'),
    (341, 'header_normal.png', lambda: header('normal'), 'grid header item, normal (stretched)'),
    (342, 'toolbar_middle.png', lambda: toolbar_button('middle'), 'toolbar button strip, inner buttons'),
    (343, 'toolbar_first.png', lambda: toolbar_button('first'), 'toolbar button strip, first of a row'),
    (344, 'toolbar_last.png', lambda: toolbar_button('last'), 'toolbar button strip, last of a row'),
    (345, 'toolbar_shadow.png', toolbar_shadow, 'shade under each toolbar button'),
    (346, 'toolbar_background.png', toolbar_background, 'toolbar background, tiled every 1024 px'),
    (347, 'combo_arrow.png', combo_arrow, 'drop arrow of a combo box face'),
    (348, 'help.png', help_button, 'help button of the settings pages (all four states)'),
    (349, 'header_hot.png', lambda: header('hot'), 'grid header item, mouse over'),
    (350, 'header_pressed.png', lambda: header('pressed'), 'grid header item, pressed'),
    (351, 'combo_strip.png', combo_strip, 'panel behind the main window\'s combo boxes'),
    (352, 'tab_selected.png', lambda: tab('selected'), 'tab, selected (not the first)'),
    (353, 'tab_normal.png', lambda: tab('ordinary'), 'tab, ordinary'),
    (354, 'tab_first.png', lambda: tab('first'), 'first tab, not selected'),
    (355, 'tab_after_selected.png', lambda: tab('right_of_selected'), 'tab whose left neighbour is selected'),
    (356, 'tab_end.png', lambda: tab_end(False), 'end piece right of the last tab'),
    (357, 'tab_end_selected.png', lambda: tab_end(True), 'end piece while the last tab is selected'),
    (358, 'tab_first_selected.png', lambda: tab('first_selected'), 'first tab, selected'),
    (362, 'motion_help.png', motion_help, 'motion help picture (grid and detection window)'),
    (372, 'remove_zone.png', remove_zone, 'remove button of a scan zone (all four states)'),
]
GIFS = [(363, 'wait.gif', spinner_gif, 'wait animation of the message box (8 frames, 100 ms)')]


def main():
    os.makedirs(OUT, exist_ok=True)
    rc = ['// Generated by res/gen/make_skin.py; do not edit.']
    table = ['# Skin images', '',
             'Drawn by `res/gen/make_skin.py` (run `python3 res/gen/make_skin.py` after a change;',
             'the outputs are committed) and listed in `skin.rc`, which `res/dorvik.rc` includes.',
             'All are RGBA PNG (type "PNG") except 363 (type "GIF").', '',
             '| id | file | size | purpose |', '|---|---|---|---|']
    for rid, name, build, purpose in IMAGES:
        cv = build()
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(cv.png())
        rc.append('%d PNG "res/skin/%s"' % (rid, name))
        table.append('| %d | %s | %d x %d | %s |' % (rid, name, cv.w, cv.h, purpose))
    for rid, name, build, purpose in GIFS:
        data = build()
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(data)
        w, h = struct.unpack('<HH', data[6:10])
        rc.append('%d GIF "res/skin/%s"' % (rid, name))
        table.append('| %d | %s | %d x %d | %s |' % (rid, name, w, h, purpose))
    with open(os.path.join(OUT, 'skin.rc'), 'w') as f:
        f.write('\n'.join(rc) + '\n')
    with open(os.path.join(OUT, 'README.md'), 'w') as f:
        f.write('\n'.join(table) + '\n')
    print('\n'.join(table[6:]))


if __name__ == '__main__':
    main()
