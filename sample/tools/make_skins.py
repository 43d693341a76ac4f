#!/usr/bin/env python3
"""Draws the sample installation's skins into sample/skins/.

    python3 sample/tools/make_skins.py

Each skin folder gets every bitmap the viewer's chrome, buttons and panels use (24-bit
Windows BMP files drawn here, no image library needed) and its color.ini, size.ini and
coordinats.ini (code page 1251, CR LF line ends). skins.txt lists the skins and "Windows";
skin_select.txt is left alone.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SKINS = os.path.join(os.path.dirname(HERE), 'skins')

TITLE_HEIGHT = 26
STATUS_HEIGHT = 28


def value(rgb):
    """A colour as the skin files store it: red in the low byte, then green, then blue."""
    r, g, b = rgb
    return r | (g << 8) | (b << 16)


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def lighter(c, t):
    return mix(c, (255, 255, 255), t)


def darker(c, t):
    return mix(c, (0, 0, 0), t)


class Picture:
    def __init__(self, width, height, colour=(0, 0, 0)):
        self.w, self.h = width, height
        self.px = [[colour] * width for _ in range(height)]

    def put(self, x, y, c, alpha=1.0):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c if alpha >= 1 else mix(self.px[y][x], c, alpha)

    def fill(self, x0, y0, x1, y1, c):
        for y in range(max(y0, 0), min(y1, self.h)):
            for x in range(max(x0, 0), min(x1, self.w)):
                self.px[y][x] = c

    def vgradient(self, top, bottom, y0=0, y1=None):
        y1 = self.h if y1 is None else y1
        for y in range(y0, y1):
            c = mix(top, bottom, (y - y0) / max(y1 - y0 - 1, 1))
            for x in range(self.w):
                self.px[y][x] = c

    def hgradient(self, left, right):
        for x in range(self.w):
            c = mix(left, right, x / max(self.w - 1, 1))
            for y in range(self.h):
                self.px[y][x] = c

    def hline(self, y, c, x0=0, x1=None):
        for x in range(x0, self.w if x1 is None else x1):
            self.put(x, y, c)

    def vline(self, x, c, y0=0, y1=None):
        for y in range(y0, self.h if y1 is None else y1):
            self.put(x, y, c)

    def stroke(self, x0, y0, x1, y1, c, width=1.6):
        """An anti-aliased line of the given width between two points."""
        for y in range(self.h):
            for x in range(self.w):
                px, py = x + 0.5, y + 0.5
                dx, dy = x1 - x0, y1 - y0
                length2 = dx * dx + dy * dy or 1e-9
                t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
                qx, qy = x0 + t * dx, y0 + t * dy
                d = ((px - qx) ** 2 + (py - qy) ** 2) ** 0.5
                a = max(0.0, min(1.0, width / 2 + 0.5 - d))
                if a > 0:
                    self.put(x, y, c, a)

    def rounded(self, x0, y0, x1, y1, radius, fill_top, fill_bottom, edge):
        """A rounded rectangle with a vertical gradient and a one-pixel edge."""
        for y in range(y0, y1):
            c = mix(fill_top, fill_bottom, (y - y0) / max(y1 - y0 - 1, 1))
            for x in range(x0, x1):
                cx = min(max(x + 0.5, x0 + radius), x1 - radius)
                cy = min(max(y + 0.5, y0 + radius), y1 - radius)
                d = ((x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2) ** 0.5
                if d <= radius - 1:
                    self.put(x, y, c)
                elif d <= radius:
                    self.put(x, y, edge, 1.0)
                elif d <= radius + 0.7:
                    self.put(x, y, edge, 0.5)
        for x in range(x0 + radius, x1 - radius):
            self.put(x, y0, edge)
            self.put(x, y1 - 1, edge)
        for y in range(y0 + radius, y1 - radius):
            self.put(x0, y, edge)
            self.put(x1 - 1, y, edge)

    def bmp(self):
        row = (self.w * 3 + 3) // 4 * 4
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            for r, g, b in self.px[y]:
                data += bytes((b, g, r))
            data += b'\0' * (row - self.w * 3)
        header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return header + info + bytes(data)


def title_strip(width, s):
    p = Picture(width, TITLE_HEIGHT)
    p.vgradient(s['title_top'], s['title_bottom'])
    p.hline(0, lighter(s['title_top'], 0.35))
    p.hline(TITLE_HEIGHT - 1, darker(s['title_bottom'], 0.35))
    return p


def title_backdrop(width, height, top, s):
    """The title strip's rows from `top` on: what a title button's corners show."""
    strip = title_strip(width, s)
    p = Picture(width, height)
    p.px = [list(row) for row in strip.px[top:top + height]]
    return p


def title_end(s, left):
    p = title_strip(12, s)
    x = 0 if left else 11
    p.vline(x, darker(s['title_bottom'], 0.4))
    p.vline(1 if left else 10, lighter(s['title_top'], 0.2), 1, TITLE_HEIGHT - 1)
    return p


def border(s, left):
    p = Picture(4, 16)
    edge, inner = darker(s['border'], 0.35), lighter(s['border'], 0.25)
    cols = [edge, s['border'], s['border'], inner] if left else [inner, s['border'], s['border'], edge]
    for x, c in enumerate(cols):
        p.vline(x, c)
    return p


def status_strip(width, s):
    p = Picture(width, STATUS_HEIGHT)
    p.vgradient(s['status_top'], s['status_bottom'])
    p.hline(0, darker(s['status_top'], 0.25))
    p.hline(1, lighter(s['status_top'], 0.5))
    p.hline(STATUS_HEIGHT - 1, darker(s['border'], 0.35))
    return p


def status_end(s, left, width):
    p = status_strip(width, s)
    edge = darker(s['border'], 0.35)
    if left:
        for x, c in enumerate([edge, s['border'], s['border'], lighter(s['border'], 0.25)]):
            p.vline(x, c, 1, STATUS_HEIGHT)
    else:
        for i, c in enumerate([lighter(s['border'], 0.25), s['border'], s['border'], edge]):
            p.vline(width - 4 + i, c, 1, STATUS_HEIGHT)
    return p


def close_button(s, state):
    base = {'': s['close'], 'a': lighter(s['close'], 0.25), 'p': darker(s['close'], 0.25)}[state]
    p = title_backdrop(18, 16, 5, s)
    p.rounded(0, 0, 18, 16, 3, lighter(base, 0.2), darker(base, 0.1), darker(base, 0.45))
    p.stroke(5.5, 4.5, 12.5, 11.5, (255, 255, 255), 1.8)
    p.stroke(12.5, 4.5, 5.5, 11.5, (255, 255, 255), 1.8)
    return p


def title_button(s, state):
    base = s['title_top'] if state == '' else lighter(s['title_top'], 0.25)
    p = title_backdrop(18, 16, 5, s)
    p.rounded(0, 0, 18, 16, 3, lighter(base, 0.2), darker(base, 0.1), darker(base, 0.45))
    p.fill(5, 10, 13, 12, (255, 255, 255))
    return p


def zoom_button(s, plus, hover):
    face = lighter(s['accent'], 0.35 if hover else 0.55)
    p = Picture(20, 18, s['window'])
    p.rounded(0, 0, 20, 18, 4, lighter(face, 0.4), face, darker(s['accent'], 0.2))
    ink = darker(s['accent'], 0.35)
    p.stroke(5, 9, 15, 9, ink, 2.0)
    if plus:
        p.stroke(10, 4, 10, 14, ink, 2.0)
    return p


def cancel_button(s, state):
    face = {'': s['close'], 'a': lighter(s['close'], 0.25), 'p': darker(s['close'], 0.25)}[state]
    p = Picture(22, 22, s['panel'])
    p.rounded(0, 0, 22, 22, 5, lighter(face, 0.25), face, darker(face, 0.45))
    p.stroke(7, 7, 15, 15, (255, 255, 255), 2.0)
    p.stroke(15, 7, 7, 15, (255, 255, 255), 2.0)
    return p


def update_button(s, state):
    live = not state.startswith('f')
    face = s['accent'] if live else (168, 168, 168)
    if state.endswith('a'):
        face = lighter(face, 0.2)
    if state == 'p':
        face = darker(face, 0.2)
    p = Picture(90, 26, s['panel'])
    p.rounded(0, 0, 90, 26, 6, lighter(face, 0.3), face, darker(face, 0.4))
    ink = (255, 255, 255) if live else (236, 236, 236)
    # A download arrow over a tray.
    p.stroke(45, 5, 45, 15, ink, 2.2)
    p.stroke(40, 11, 45, 16, ink, 2.2)
    p.stroke(50, 11, 45, 16, ink, 2.2)
    p.stroke(36, 20, 54, 20, ink, 2.0)
    return p


def panel_pieces(s):
    top = title_strip(8, s)
    tl = title_end(s, True)
    tr = title_end(s, False)
    side_l = border(s, True)
    side_r = border(s, False)
    bottom = Picture(8, 6)
    bottom.vgradient(s['border'], darker(s['border'], 0.3))
    bottom.hline(0, lighter(s['border'], 0.25))
    corner = Picture(14, 14, s['panel'])
    for i in range(3):
        corner.stroke(13 - 4 * i, 13, 13, 13 - 4 * i, darker(s['border'], 0.2), 1.2)
    return {'w_fon': top, 'w_tl': tl, 'w_tr': tr, 'w_l': side_l, 'w_r': side_r, 'w_d': bottom, 'w_dr': corner}


def bitmaps(s):
    out = {
        'leftb_fon': border(s, True),
        'rightb_fon': border(s, False),
        'z_fon': title_strip(8, s),
        'z_left': title_end(s, True),
        'z_right': title_end(s, False),
        'ss_fon': status_strip(8, s),
        'ss_left': status_end(s, True, 12),
        'ss_right': status_end(s, False, 12),
        'z_ib_close': close_button(s, ''),
        'z_ib_close_a': close_button(s, 'a'),
        'z_ib_close_p': close_button(s, 'p'),
        'z_ib_cf': title_button(s, ''),
        'z_ib_cf_a': title_button(s, 'a'),
        'tb_plus': zoom_button(s, True, False),
        'tb_plus_a': zoom_button(s, True, True),
        'tb_minus': zoom_button(s, False, False),
        'tb_minus_a': zoom_button(s, False, True),
        'b_cansel': cancel_button(s, ''),
        'b_cansel_a': cancel_button(s, 'a'),
        'b_cansel_p': cancel_button(s, 'p'),
        'b_update': update_button(s, ''),
        'b_update_a': update_button(s, 'a'),
        'b_update_p': update_button(s, 'p'),
        'b_update_f': update_button(s, 'f'),
        'b_update_f_a': update_button(s, 'fa'),
    }
    out.update(panel_pieces(s))
    return out


def ini(sections):
    lines = []
    for name, keys in sections:
        lines.append('[%s]' % name)
        lines += ['%s=%s' % kv for kv in keys]
    return ('\r\n'.join(lines) + '\r\n').encode('cp1251')


def color_ini(s):
    # [Window] Colorfon and ColorFon are one key (INI names ignore case): one line holds both.
    return ini([
        ('Window', [('Colorfon', value(s['window'])), ('TextColor', value(s['panel_text'])),
                    ('TransWin9xmeZagCoef', s['blend'])]),
        ('Menu', [('Colortext', value(s['menu'])), ('Colortextactive', value(s['menu_active']))]),
        ('Editor', [('Colortext', value(s['editor_text'])), ('Colorfon', value(s['editor'])),
                    ('ColortextRead', value(s['read']))]),
        ('Dialog', [('TextColor', value(s['status_text'])), ('BorderlineColor', value(s['border'])),
                    ('SelmenuColor', value(s['selection'])), ('Fon', value(s['panel']))]),
        ('Message', [('ColortextZ', value((255, 255, 255)))]),
        ('Form', [('NameprogColor', value(s['name']))]),
    ])


SKIN_LOOKS = {
    # Steel blue title, cool grey window.
    'Classic': {
        'title_top': (74, 112, 166), 'title_bottom': (38, 68, 118), 'border': (64, 94, 136),
        'status_top': (222, 228, 238), 'status_bottom': (198, 208, 222), 'close': (196, 64, 52),
        'accent': (58, 104, 168), 'window': (232, 236, 242), 'panel': (232, 236, 242),
        'panel_text': (40, 48, 64), 'menu': (38, 60, 96), 'menu_active': (200, 92, 16),
        'editor_text': (24, 26, 32), 'editor': (255, 255, 255), 'read': (0, 128, 0),
        'status_text': (48, 58, 78), 'selection': (204, 218, 238), 'name': (255, 255, 255), 'blend': 10,
    },
    # Deep green title, pale sage window.
    'Forest': {
        'title_top': (72, 124, 80), 'title_bottom': (34, 78, 46), 'border': (58, 98, 64),
        'status_top': (226, 232, 216), 'status_bottom': (204, 214, 192), 'close': (176, 82, 40),
        'accent': (62, 122, 72), 'window': (236, 240, 230), 'panel': (236, 240, 230),
        'panel_text': (40, 56, 40), 'menu': (36, 78, 44), 'menu_active': (176, 112, 16),
        'editor_text': (28, 32, 24), 'editor': (253, 253, 248), 'read': (150, 90, 0),
        'status_text': (46, 66, 44), 'selection': (210, 228, 200), 'name': (250, 246, 224), 'blend': 15,
    },
}


def main():
    for name, look in SKIN_LOOKS.items():
        folder = os.path.join(SKINS, name)
        os.makedirs(folder, exist_ok=True)
        for bitmap, picture in bitmaps(look).items():
            with open(os.path.join(folder, bitmap + '.bmp'), 'wb') as f:
                f.write(picture.bmp())
        with open(os.path.join(folder, 'color.ini'), 'wb') as f:
            f.write(color_ini(look))
        with open(os.path.join(folder, 'size.ini'), 'wb') as f:
            f.write(ini([('Form', [('HeightLine', TITLE_HEIGHT)])]))
        with open(os.path.join(folder, 'coordinats.ini'), 'wb') as f:
            f.write(ini([('Window', [('MenuTop', 31), ('FirstCompTop', 52), ('FirstCompleft', 10)])]))
    with open(os.path.join(SKINS, 'skins.txt'), 'wb') as f:
        f.write(('\r\n'.join(list(SKIN_LOOKS) + ['Windows']) + '\r\n').encode('cp1251'))


if __name__ == '__main__':
    main()
