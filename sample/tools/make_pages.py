"""The sample installation's pages: the help folder (pages and their bitmaps) and the
list-of-books page of every list. Used by make_sample.py; runs alone as

    python3 sample/tools/make_pages.py

to write only the pages, which needs nothing but Python.

A page file is code page 1251 with CR LF line ends: the column and row counts (header column
and row included), the grid mode word, the cell texts column by column, the attribute strings
in the same order, the column widths, the row heights and a short trailer.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.dirname(HERE)
HELP = os.path.join(SAMPLE, 'help')

# Attribute codes: two letters at fixed places.
COLOURS = {'black': 'AA', 'white': 'AB', 'red': 'AC', 'green': 'AD', 'lime': 'AE', 'blue': 'AF',
           'maroon': 'AG', 'olive': 'AH', 'navy': 'AI', 'purple': 'AJ', 'teal': 'AK', 'gray': 'AL',
           'silver': 'AM', 'yellow': 'AN', 'fuchsia': 'AO'}
BACKGROUNDS = dict(COLOURS, white='AA', black='AB')
STYLES = {'plain': 'AB', 'bold': 'AA', 'italic': 'AC', 'underline': 'AD', 'bold italic': 'AF',
          'bold underline': 'AG'}
FONTS = {'Arial': 'AA', 'MS Sans Serief': 'AB', 'Times New Roman': 'AD', 'Courier': 'AE'}
SIZES = {None: '  ', 8: 'AD', 10: 'AE', 12: 'AF', 14: 'AG', 16: 'AH', 18: 'AJ', 20: 'AK'}
ALIGN = {None: '--', 'left': 'AA', 'centre': 'AB', 'right': 'AC'}
BORDERS = {None: 'AA', 'bottom': 'AB', 'bottom2': 'AG', 'top': 'AC', 'box': 'AF', 'box2': 'AK',
           'topbottom': 'AN', 'left': 'AD'}


def attr(colour='black', ground='white', style='plain', font='Arial', size=10, align=None, border=None,
         command=''):
    codes = (COLOURS[colour] + BACKGROUNDS[ground] + STYLES[style] + FONTS[font] + SIZES[size] +
             ALIGN[align] + BORDERS[border])
    return codes + ('!' + command if command else '')


class Page:
    """A grid of cells; (text, attributes) per data cell, column widths and row heights."""

    def __init__(self, widths, mode='offgrid'):
        self.widths = list(widths)
        self.heights = []
        self.rows = []
        self.mode = mode

    def row(self, height, *cells):
        cells = list(cells) + [('', attr())] * (len(self.widths) - len(cells))
        assert len(cells) == len(self.widths)
        self.heights.append(height)
        self.rows.append(cells)

    def lines(self):
        cols, rows = len(self.widths), len(self.rows)
        out = [str(cols + 1), str(rows + 1), self.mode]
        out += [self.rows[r][c][0] for c in range(cols) for r in range(rows)]
        out += [self.rows[r][c][1] for c in range(cols) for r in range(rows)]
        out += [str(w) for w in self.widths] + [str(h) for h in self.heights]
        return out + ['', 'end of page']

    def write(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, 'wb') as f:
            f.write(''.join(line + '\r\n' for line in self.lines()).encode('cp1251'))


def write_bmp(path, width, height, pixel):
    """A 24-bit bottom-up bitmap; pixel(x, y) gives (r, g, b) with y from the top."""
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        rows.append(bytes(row) + b'\0' * (stride - width * 3))
    data = b''.join(rows)
    header = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 14 + 40)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(header + info + data)


def logo(x, y):
    """180 by 80: a navy-to-teal ground with three book spines and a gold line."""
    t = x / 179.0
    ground = (int(0 + 0 * t), int(0 + 128 * t), int(128 + 0 * t))
    if 66 <= y <= 69:
        return (230, 190, 60)
    spines = [(20, 44, (200, 40, 40)), (48, 70, (240, 240, 240)), (74, 96, (60, 160, 60))]
    for left, right, colour in spines:
        if left <= x <= right and 14 <= y <= 62:
            if y in (22, 54) or x in (left, right):
                return (30, 30, 30)
            return colour
    if 110 <= x <= 166 and 20 <= y <= 58:
        # an open book: two pages meeting in the middle
        mid = 138
        edge = 20 + int(4 * math.sin((x - 110) / 56.0 * math.pi))
        if y >= edge:
            return (30, 30, 30) if x == mid or y == 58 else (250, 245, 225)
    return ground


def book_icon(x, y):
    """32 by 32: a closed red book on white."""
    if 6 <= x <= 25 and 3 <= y <= 28:
        if x in (6, 25) or y in (3, 28):
            return (90, 0, 0)
        if x == 9:
            return (140, 0, 0)
        if 12 <= x <= 22 and y in (9, 10):
            return (240, 200, 80)
        return (200, 30, 30)
    return (255, 255, 255)


# Help pages: four data columns (margin, label, text, margin).
WIDTHS = [12, 200, 500, 12]
TITLE = dict(colour='white', ground='navy', style='bold', size=16)
TEXT = dict(size=10)
LABEL = dict(style='bold', size=10)


def link(target):
    return attr(colour='blue', style='underline', size=10, command='openfile(%s)' % target)


def title_row(page, caption):
    # Without grid lines a bottom border lies on the next row, which covers it: the pages use
    # the two-pixel borders, whose upper pixel row is the cell's own.
    page.row(40, ('', attr(ground='navy')), ('VantorBooks', attr(colour='white', ground='navy', style='bold', size=12)),
             (caption, attr(**TITLE)), ('', attr(ground='navy')))
    page.row(10)


def back_row(page):
    page.row(12)
    page.row(24, ('', attr()), ('', attr()), ('К оглавлению справки', link('index.texx')))


def index_page():
    p = Page(WIDTHS)
    title_row(p, 'Справка')
    p.row(88, ('', attr()), ('', '!drawimg(logo.bmp)'),
          ('Каталог книг и рассказов одной серии.', attr(**TEXT)))
    p.row(24, ('', attr()), ('Разделы справки', attr(**LABEL, border='bottom2')), ('', attr(border='bottom2')))
    p.row(24, ('', attr()), ('', attr()), ('Как пользоваться каталогом', link('catalog.texx')))
    p.row(24, ('', attr()), ('', attr()), ('Обновления каталога и программы', link('updates.texx')))
    p.row(24, ('', attr()), ('', attr()), ('О программе', link('about.texx')))
    p.row(16)
    p.row(24, ('', attr()), ('Сайт программы:', attr(**LABEL)), ('', attr(colour='teal', size=10, command='xwebp')))
    p.row(24, ('', attr()), ('Почта для писем:', attr(**LABEL)), ('', attr(colour='teal', size=10, command='xmail')))
    return p


def catalog_page():
    p = Page(WIDTHS, mode='horzlines')
    title_row(p, 'Как пользоваться каталогом')
    steps = [
        ('Категории', 'Слева вверху выберите категорию, ниже — список и подсписок.'),
        ('Книги', 'Щёлкните книгу: появятся обложка, рассказы и данные издания.'),
        ('Рассказы', 'Двойной щелчок по отметке DOC, RTF или FB2 открывает рассказ.'),
        ('Поиск', 'Начните вводить название в поле быстрого поиска (F2).'),
        ('Список книг', 'Пункт «Список книг» показывает все книги списка одной таблицей.'),
    ]
    for label, text in steps:
        p.row(24, ('', attr()), (label, attr(colour='maroon', **LABEL)), (text, attr(**TEXT)))
    p.row(36, ('', attr()), ('', '!drawimg(book.bmp)'),
          ('Отметка «Have» стоит у книг, которые у вас есть.', attr(colour='green', style='italic', size=10)))
    back_row(p)
    return p


def updates_page():
    p = Page(WIDTHS, mode='ongrid')
    title_row(p, 'Обновления')
    p.row(24, ('', attr()), ('Выпуск', attr(style='bold', ground='silver', size=10, align='centre', border='box')),
          ('Книг в выпуске', attr(style='bold', ground='silver', size=10, align='centre', border='box')))
    p.row(24, ('', attr()), ('Первое обновление', attr(**TEXT, border='box')), ('12', attr(**TEXT, align='right', border='box')))
    p.row(24, ('', attr()), ('Второе обновление', attr(**TEXT, border='box')), ('9', attr(**TEXT, align='right', border='box')))
    # The total is computed from the two cells above when the page opens.
    p.row(24, ('', attr()), ('Всего', attr(style='bold', size=10, border='box2')),
          ('', attr(style='bold', size=10, align='right', border='box2', command='[3,4]+[3,5]=')))
    p.row(16)
    p.row(24, ('', attr()), ('', attr()),
          ('Проверка обновлений: «Options», страница обновлений.', attr(colour='navy', **TEXT)))
    back_row(p)
    return p


def about_page():
    p = Page(WIDTHS)
    title_row(p, 'О программе')
    p.row(24, ('', attr()), ('Программа', attr(**LABEL)), ('VantorBooks 1.42 (x5)', attr(**TEXT)))
    p.row(24, ('', attr()), ('Автор', attr(**LABEL)), ('', attr(**TEXT, command='xaut')))
    p.row(24, ('', attr()), ('Издатель', attr(**LABEL)), ('', attr(**TEXT, command='xcomp')))
    p.row(24, ('', attr()), ('Лет серии', attr(**LABEL)), ('', attr(**TEXT, command='2018-1996=')))
    back_row(p)
    return p


def book_list_page(list_name, sublists, story_counts):
    """The list-of-books page of one list: every book of every sub-list in one table."""
    widths = [40, 330, 230, 110]
    p = Page(widths)
    head = dict(colour='white', ground='teal', style='bold', size=10, border='box')
    p.row(34, ('', attr(ground='teal')), (list_name, attr(colour='white', ground='teal', style='bold', size=14)),
          ('', attr(ground='teal')), ('', attr(ground='teal')))
    p.row(24, ('№', attr(**head, align='centre')), ('Книга', attr(**head)), ('Подсписок', attr(**head)),
          ('Рассказов', attr(**head, align='centre')))
    n = 0
    for sub, books in sublists.items():
        for title, stories, _ in books:
            n += 1
            ground = 'white' if n % 2 else 'silver'
            cell = dict(ground=ground, size=10, border='box')
            p.row(22, (str(n), attr(**cell, align='centre')), (title, attr(**cell)), (sub, attr(**cell, colour='navy')),
                  (str(len(stories)), attr(**cell, align='centre')))
    p.row(24, ('', attr()), ('Книг в списке: %d' % n, attr(style='italic', size=10)))
    return p


def make_help():
    write_bmp(os.path.join(HELP, 'logo.bmp'), 180, 80, logo)
    write_bmp(os.path.join(HELP, 'book.bmp'), 32, 32, book_icon)
    index_page().write(os.path.join(HELP, 'index.texx'))
    catalog_page().write(os.path.join(HELP, 'catalog.texx'))
    updates_page().write(os.path.join(HELP, 'updates.texx'))
    about_page().write(os.path.join(HELP, 'about.texx'))


def make_book_pages(catalog):
    for category, lists in catalog.items():
        for lst, sublists in lists.items():
            book_list_page(lst, sublists, None).write(os.path.join(SAMPLE, category, lst, 'books.texx'))


if __name__ == '__main__':
    import make_sample
    make_help()
    make_book_pages(make_sample.CATALOG)
