#!/usr/bin/env python3
"""Makes the catalog part of the sample installation in sample/.

    python3 sample/tools/make_sample.py [--cover-tool PATH] [--soffice PATH]

Writes the category, list and sub-list files, every book's stories, publication data and
description, the covers (drawn by vb_make_cover, built with the project), the placeholder
pictures noti.jpg, one sub-list's file of owned titles, the pages (make_pages.py: the help
folder and each list's books.texx), and the story documents: RTF and FB2
written here, DOC converted from the RTF by LibreOffice (Debian package
libreoffice-writer-nogui; only needed to make the sample again, the generated files are
committed). Text files are code page 1251 with CR LF line ends, as the viewer's data files
are. skins/ and update.lasx are left alone.
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import make_pages

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLE = os.path.dirname(HERE)
ROOT = os.path.dirname(SAMPLE)

STORY_INDEX = 'Список рассказов'
BOOK_PAGE = 'Список книг'

# Category -> list -> sub-list -> books. A book is (title, stories, has cover).
# Stories recur across sub-lists and books, as reprints do, so the story index of a list has
# titles to merge; "Тихая гавань" and "тихая гавань" differ in case only.
CATALOG = {
    'Фантастика': {
        'Звёздные миры': {
            'Первая экспедиция': [
                ('Последний рейс «Альбатроса»', ['Последний рейс', 'Пыль далёких лун', 'Сигнал с орбиты',
                                                 'Тихая гавань', 'Станция «Заря»', 'Холодный свет'], True),
                ('Пыль далёких лун', ['Пыль далёких лун', 'Кольца Сатурна', 'Часовой', 'Песок и звёзды'], True),
                ('Сигнал с орбиты', ['Сигнал с орбиты', 'Ночная смена', 'Разведчик'], True),
                ('Кольца Сатурна', ['Кольца Сатурна', 'Ледяной пояс', 'тихая гавань', 'Последний рейс',
                                    'Стеклянный город'], True),
                ('Станция «Заря»', ['Станция «Заря»', 'Часовой', 'Гость из глубин', 'Долгая ночь'], True),
                ('Холодный свет', ['Холодный свет', 'Осколки неба'], True),
                ('Песок и звёзды', ['Песок и звёзды', 'Мираж', 'Оазис', 'Караван', 'Буря', 'Возвращение'], True),
                ('Ледяной пояс', ['Ледяной пояс', 'Разведчик', 'Маяк'], True),
                ('Гость из глубин', ['Гость из глубин', 'Глубина', 'Эхо'], True),
                ('Долгая ночь', ['Долгая ночь', 'Рассвет над кратером'], False),
            ],
            'Дальние рубежи': [
                ('Граница тьмы', ['Граница тьмы', 'Последний рейс', 'Маяк', 'Эхо'], True),
                ('Стеклянный город', ['Стеклянный город', 'Осколки неба', 'Пыль далёких лун'], True),
                ('Мираж', ['Мираж', 'Оазис'], True),
                ('Рассвет над кратером', ['Рассвет над кратером', 'Тихая гавань'], False),
            ],
        },
        'Эпоха роботов': {
            'Механические сердца': [
                ('Железный друг', ['Железный друг', 'Шестерёнки', 'Программа'], True),
                ('Шестерёнки', ['Шестерёнки', 'Сбой', 'Ремонт'], True),
                ('Сбой', ['Сбой', 'Перезагрузка'], False),
            ],
        },
    },
    'Детективы': {
        'Классический детектив': {
            'Ранние дела': [
                ('Тайна старого моста', ['Тайна старого моста', 'Пропавший ключ', 'Туман над рекой',
                                         'Письмо без подписи'], True),
                ('Пропавший ключ', ['Пропавший ключ', 'Тень в окне', 'Часы остановились'], True),
                ('Туман над рекой', ['Туман над рекой', 'Последний поезд'], True),
                ('Письмо без подписи', ['Письмо без подписи', 'Алиби', 'Свидетель', 'Улика'], True),
                ('Тень в окне', ['Тень в окне', 'Ночной гость'], True),
                ('Часы остановились', ['Часы остановились', 'Без четверти полночь', 'Алиби'], True),
                ('Последний поезд', ['Последний поезд', 'Станция Берёзовая'], True),
                ('Алиби', ['Алиби', 'Свидетель', 'Дело о зонтике'], True),
                ('Ночной гость', ['Ночной гость', 'Запертая комната', 'Ключ под ковром'], True),
                ('Запертая комната', ['Запертая комната', 'Сейф', 'Отпечатки'], False),
            ],
            'Поздние дела': [
                ('Дело о зонтике', ['Дело о зонтике', 'Тайна старого моста', 'Сейф'], True),
                ('Отпечатки', ['Отпечатки', 'Улика', 'Пропавший ключ'], True),
                ('Без четверти полночь', ['Без четверти полночь', 'Последний поезд'], False),
            ],
            'Архив': [],
        },
    },
    'Приключения': {
        'Морские истории': {
            'Пираты': [
                ('Остров сокровищ капитана Грея', ['Остров сокровищ', 'Чёрный флаг', 'Абордаж'], True),
                ('Чёрный флаг', ['Чёрный флаг', 'Шторм', 'Бутылка с запиской'], True),
                ('Шторм', ['Шторм', 'Маяк'], False),
                ('Jolly Roger над рифом', ['Jolly Roger над рифом', 'Абордаж', 'Бутылка с запиской'], True),
            ],
        },
    },
}

# Sub-list files of each list: the special items first, then the sub-lists.
SUBLIST_ITEMS = {
    ('Фантастика', 'Звёздные миры'): [BOOK_PAGE, STORY_INDEX, 'Первая экспедиция', 'Дальние рубежи'],
    ('Фантастика', 'Эпоха роботов'): [BOOK_PAGE, 'Механические сердца'],
    ('Детективы', 'Классический детектив'): [BOOK_PAGE, STORY_INDEX, 'Ранние дела', 'Поздние дела', 'Архив'],
    ('Приключения', 'Морские истории'): [BOOK_PAGE, 'Пираты'],
}
# List files of each category ("Список рассказов" among the lists is a heading and opens nothing).
LIST_ITEMS = {
    'Фантастика': ['Звёздные миры', 'Эпоха роботов', STORY_INDEX],
    'Детективы': ['Классический детектив'],
    'Приключения': ['Морские истории'],
}

# Story documents in docs\ (for the shell) and readable documents in a sub-list's Books\Doc\.
DOCS = {
    'Последний рейс': ['doc', 'rtf', 'fb2'],
    'Пыль далёких лун': ['rtf'],
    'Сигнал с орбиты': ['fb2'],
    'Тихая гавань': ['doc', 'fb2'],
    'Кольца Сатурна': ['doc'],
    'Тайна старого моста': ['doc', 'rtf'],
    'Пропавший ключ': ['fb2'],
    'Чёрный флаг': ['rtf', 'fb2'],
}
READABLE = {
    ('Фантастика', 'Звёздные миры', 'Первая экспедиция'): ['Последний рейс', 'Часовой'],
    ('Детективы', 'Классический детектив', 'Ранние дела'): ['Алиби'],
}

# Owned titles, as the viewer keeps them in a sub-list's Books\_have.txt; the longest title of
# its list among them, so its "Have" mark has to share the row with a title that fills it.
OWNED = {
    ('Фантастика', 'Звёздные миры', 'Первая экспедиция'): ['Сигнал с орбиты', 'Холодный свет',
                                                           'Последний рейс «Альбатроса»'],
}

AUTHORS = ['А. Северов', 'Б. Лукин', 'В. Орлова', 'Г. Ветров', 'Д. Ясенева', 'Е. Громов', 'Ж. Тарасова']
FOREIGN = [('The Silent Harbour', 'J. Marlow'), ('Dust of Distant Moons', 'R. Hale'),
           ('A Letter Unsigned', 'E. Fairfax'), ('The Black Flag', 'T. Bellamy')]


def write_lines(path, lines):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(''.join(line + '\r\n' for line in lines).encode('cp1251'))


def stories_file(stories, n):
    # Lines 0-5 titles, 6-8 empty, from 9 on the episode of each story.
    lines = stories[:6] + [''] * (6 - len(stories[:6])) + ['', '', '']
    lines += ['Эпизод %d: «%s»' % (n * 10 + i + 1, s) for i, s in enumerate(stories[:6])]
    while lines and lines[-1] == '':
        lines.pop()
    return lines


def publication_file(title, stories, n):
    lines = ['%d экз.' % (5000 + 1000 * (n % 7)), str(1996 + n % 12), str(280 + 16 * (n % 9)),
             'Составитель: И. Белов', '5-17-%06d-%d' % (100000 + n * 37, n % 10),
             '5-7921-%04d-%d' % (1000 + n * 11, (n + 3) % 10), str(n + 1), '', '']
    lines += [AUTHORS[(n + i) % len(AUTHORS)] for i in range(min(len(stories), 7))]
    lines += [''] * (19 - len(lines))
    for i in range(n % 3):
        lines += list(FOREIGN[(n + i) % len(FOREIGN)])
    return lines


def description_file(title, series, stories):
    return ['«%s» — книга серии «%s».' % (title, series),
            'В сборник вошли рассказы: %s.' % ', '.join(stories),
            '',
            'Книга рассчитана на широкий круг читателей.']


def story_paragraphs(story):
    return ['Рассказ «%s».' % story,
            'Это короткий текст для примера установки каталога: его открывает приложение, '
            'которое рабочий стол связывает с этим типом документов.',
            'Конец.']


def rtf_text(text):
    out = []
    for ch in text:
        b = ch.encode('cp1251')[0]
        if ch in '\\{}':
            out.append('\\' + ch)
        elif b < 0x80:
            out.append(ch)
        else:
            out.append("\\'%02x" % b)
    return ''.join(out)


def write_rtf(path, story):
    body = ''.join('\\pard\\sa200 %s\\par\r\n' % rtf_text(p) for p in story_paragraphs(story)[1:])
    data = ('{\\rtf1\\ansi\\ansicpg1251\\deff0\r\n'
            '{\\fonttbl{\\f0\\froman\\fcharset204 Times New Roman;}}\r\n'
            '\\f0\\fs28\\pard\\qc\\b %s\\b0\\par\r\n%s}\r\n' % (rtf_text(story), body))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data.encode('ascii'))


def xml_text(text):
    return text.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')


def write_fb2(path, story):
    paragraphs = ''.join('<p>%s</p>\r\n' % xml_text(p) for p in story_paragraphs(story)[1:])
    data = ('<?xml version="1.0" encoding="windows-1251"?>\r\n'
            '<FictionBook xmlns="http://www.gribuser.ru/xml/fictionbook/2.0">\r\n'
            '<description>\r\n<title-info>\r\n<genre>sf</genre>\r\n'
            '<author><first-name>Сборник</first-name><last-name>Серии</last-name></author>\r\n'
            '<book-title>%s</book-title>\r\n<lang>ru</lang>\r\n</title-info>\r\n'
            '<document-info>\r\n<author><nickname>sample</nickname></author>\r\n'
            '<date>2018</date>\r\n<id>sample-%s</id>\r\n<version>1.0</version>\r\n</document-info>\r\n'
            '</description>\r\n<body>\r\n<title><p>%s</p></title>\r\n<section>\r\n%s</section>\r\n'
            '</body>\r\n</FictionBook>\r\n'
            % (xml_text(story), abs(hash_text(story)), xml_text(story), paragraphs))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data.encode('cp1251'))


def hash_text(text):
    h = 2166136261
    for b in text.encode('utf-8'):
        h = ((h ^ b) * 16777619) & 0xFFFFFFFF
    return h


def make_cover(tool, path, title, series):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM='offscreen')
    subprocess.run([tool, path, '180', '270', title, series], check=True, env=env,
                   stderr=subprocess.DEVNULL)


def make_docs(soffice, jobs):
    """jobs: list of (story, target .doc path). Converts through RTF in one LibreOffice run."""
    if not jobs:
        return
    with tempfile.TemporaryDirectory() as tmp:
        sources = []
        for i, (story, _) in enumerate(jobs):
            src = os.path.join(tmp, 'story%02d.rtf' % i)
            write_rtf(src, story)
            sources.append(src)
        out = os.path.join(tmp, 'out')
        subprocess.run([soffice, '-env:UserInstallation=file://' + os.path.join(tmp, 'profile'), '--headless',
                        '--convert-to', 'doc:MS Word 97', '--outdir', out] + sources,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for i, (_, target) in enumerate(jobs):
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(os.path.join(out, 'story%02d.doc' % i), target)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument('--cover-tool', default=os.path.join(ROOT, 'build', 'sample', 'tools', 'vb_make_cover'))
    parser.add_argument('--soffice', default=shutil.which('soffice') or 'soffice')
    args = parser.parse_args()
    if not os.access(args.cover_tool, os.X_OK):
        sys.exit('make_sample: build the project first (no %s)' % args.cover_tool)

    for category in CATALOG:
        shutil.rmtree(os.path.join(SAMPLE, category), ignore_errors=True)
    shutil.rmtree(os.path.join(SAMPLE, 'docs'), ignore_errors=True)

    write_lines(os.path.join(SAMPLE, 'lang.txt'), list(CATALOG))
    doc_jobs = []
    n = 0
    for category, lists in CATALOG.items():
        write_lines(os.path.join(SAMPLE, category + '.txt'), LIST_ITEMS[category])
        for lst, sublists in lists.items():
            write_lines(os.path.join(SAMPLE, category, lst + '.txt'), SUBLIST_ITEMS[(category, lst)])
            for sub, books in sublists.items():
                base = os.path.join(SAMPLE, category, lst, sub)
                write_lines(base + '.txt', [b[0] for b in books])
                if not books:
                    continue
                make_cover(args.cover_tool, os.path.join(base, 'images', 'noti.jpg'), 'Обложки нет', lst)
                for title, stories, has_cover in books:
                    write_lines(os.path.join(base, 'Files', title + '.txt'), stories_file(stories, n))
                    write_lines(os.path.join(base, 'Books', title + '.txt'), publication_file(title, stories, n))
                    write_lines(os.path.join(base, 'Books', 'moreinfo', title + '.txt'),
                                description_file(title, lst, stories))
                    if has_cover:
                        make_cover(args.cover_tool, os.path.join(base, 'images', title + '.jpg'), title, lst)
                    n += 1
                owned = OWNED.get((category, lst, sub))
                if owned:
                    write_lines(os.path.join(base, 'Books', '_have.txt'), owned)
                for story in READABLE.get((category, lst, sub), []):
                    doc_jobs.append((story, os.path.join(base, 'Books', 'Doc', story + '.doc')))

    docs = os.path.join(SAMPLE, 'docs')
    for story, formats in DOCS.items():
        if 'rtf' in formats:
            write_rtf(os.path.join(docs, story + '.rtf'), story)
        if 'fb2' in formats:
            write_fb2(os.path.join(docs, story + '.fb2'), story)
        if 'doc' in formats:
            doc_jobs.append((story, os.path.join(docs, story + '.doc')))
    make_docs(args.soffice, doc_jobs)
    make_pages.make_help()
    make_pages.make_book_pages(CATALOG)


if __name__ == '__main__':
    main()
