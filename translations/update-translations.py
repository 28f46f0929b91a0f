#!/usr/bin/env python3
"""Brings translations/*.ts up to date with the texts of the sources and the skin layouts.

    python3 translations/update-translations.py [path/to/lupdate]

lupdate collects every tr()/translate() text of src/ and every translatable text of
skin/en/*.xml (Qt Designer files). A text written in Chinese (any character beyond ASCII)
belongs to lumora_en.ts (the English interface); a text written in English, all ASCII (the
engine's failure reasons and the few English messages of the interface), belongs to
lumora_zh_CN.ts (the Chinese interface).
Translations already made are kept; new texts are added unfinished (translate them with
Qt Linguist: `linguist translations/lumora_en.ts`); texts gone from the sources are dropped.
The test test_translations fails while a text has no finished translation.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENGLISH = re.compile(r'^[\x00-\x7f]*$')
CATALOGUES = {
    'lumora_en.ts': ('zh_CN', 'en', lambda source: not ENGLISH.match(source)),
    'lumora_zh_CN.ts': ('en', 'zh_CN', lambda source: bool(ENGLISH.match(source))),
}


def find_lupdate():
    if len(sys.argv) > 1:
        return sys.argv[1]
    for candidate in (shutil.which('lupdate'), '/usr/lib/qt6/bin/lupdate'):
        if candidate and os.path.exists(candidate):
            return candidate
    sys.exit('lupdate not found: install qt6-l10n-tools or name it on the command line')


def collect(lupdate):
    """(context, source, comment, numerus) of every text, in the order lupdate gives."""
    with tempfile.TemporaryDirectory() as work:
        skin = os.path.join(ROOT, 'skin', 'en')
        layouts = []
        for name in sorted(os.listdir(skin)):
            if name.endswith('.xml'):
                copy = os.path.join(work, name[:-4] + '.ui')
                shutil.copyfile(os.path.join(skin, name), copy)
                layouts.append(copy)
        everything = os.path.join(work, 'all.ts')
        subprocess.run([lupdate, '-silent', '-locations', 'none', '-extensions', 'cpp,h',
                        os.path.join(ROOT, 'src'), *layouts, '-ts', everything], check=True)
        messages = []
        for context in ET.parse(everything).getroot().iter('context'):
            name = context.findtext('name')
            for message in context.iter('message'):
                messages.append((name, message.findtext('source'), message.findtext('comment') or '',
                                 message.get('numerus') == 'yes'))
        return messages


def existing(path):
    """Finished translations of a catalogue: key -> list of forms."""
    done = {}
    if not os.path.exists(path):
        return done
    for context in ET.parse(path).getroot().iter('context'):
        name = context.findtext('name')
        for message in context.iter('message'):
            translation = message.find('translation')
            if translation is None or translation.get('type') in ('unfinished', 'obsolete', 'vanished'):
                continue
            forms = [f.text or '' for f in translation.findall('numerusform')] or [translation.text or '']
            done[(name, message.findtext('source'), message.findtext('comment') or '')] = forms
    return done


def escape(text):
    return (text.replace('&', '&amp;').replace('<', '&lt;').replace('>', '&gt;')
            .replace('"', '&quot;').replace("'", '&apos;'))


def write(path, source_language, language, messages, done):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', '<!DOCTYPE TS>',
             f'<TS version="2.1" language="{language}" sourcelanguage="{source_language}">']
    unfinished = 0
    by_context = {}
    for message in messages:
        by_context.setdefault(message[0], []).append(message)
    for context in sorted(by_context):
        lines += ['<context>', f'    <name>{escape(context)}</name>']
        for name, source, comment, numerus in by_context[context]:
            forms = done.get((name, source, comment))
            lines.append('    <message numerus="yes">' if numerus else '    <message>')
            lines.append(f'        <source>{escape(source)}</source>')
            if comment:
                lines.append(f'        <comment>{escape(comment)}</comment>')
            state = '' if forms else ' type="unfinished"'
            unfinished += 0 if forms else 1
            if numerus:
                count = 1 if language.startswith('zh') else 2
                forms = (forms or []) + [''] * count
                lines.append(f'        <translation{state}>')
                lines += [f'            <numerusform>{escape(f)}</numerusform>' for f in forms[:count]]
                lines.append('        </translation>')
            else:
                lines.append(f'        <translation{state}>{escape((forms or [""])[0])}</translation>')
            lines.append('    </message>')
        lines.append('</context>')
    lines.append('</TS>')
    with open(path, 'w', encoding='utf-8') as out:
        out.write('\n'.join(lines) + '\n')
    return unfinished


def main():
    messages = collect(find_lupdate())
    seen = set()
    unique = []
    for message in messages:
        if message[:3] not in seen:
            seen.add(message[:3])
            unique.append(message)
    for file_name, (source_language, language, belongs) in CATALOGUES.items():
        path = os.path.join(ROOT, 'translations', file_name)
        mine = [m for m in unique if belongs(m[1])]
        unfinished = write(path, source_language, language, mine, existing(path))
        print(f'{file_name}: {len(mine)} texts, {unfinished} unfinished')


if __name__ == '__main__':
    main()
