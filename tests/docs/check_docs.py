#!/usr/bin/env python3
"""Keeps the README and the user guide navigable: the contents at the top of a guide list exactly its
sections (## and ###), in their order, each linked to its own heading; and every relative link and picture
of the files named leads to a file that is there (and, for a link into a Markdown file, to one of its
headings). Code blocks and code spans are not read as links.

    check_docs.py [--toc GUIDE.md] FILE.md...   (its own cases first)
    check_docs.py --self-test                   (its own cases only)
"""
import argparse
import os
import re
import sys
import tempfile


def prose(text):
    """The text without its code: fenced blocks, lines indented four blanks and code spans."""
    kept, fenced = [], False
    for line in text.split('\n'):
        if line.startswith('```'):
            fenced = not fenced
            kept.append('')
        elif fenced or line.startswith('    '):
            kept.append('')
        else:
            kept.append(line)
    return re.sub(r'`[^`]*`', '', '\n'.join(kept))


def slug(title):
    """The anchor a Markdown renderer gives a heading: lower case, punctuation dropped, blanks as '-'."""
    return re.sub(r'[^\w\- ]', '', title.strip().lower()).replace(' ', '-')


def headings(text):
    """(level, title, anchor) of every heading outside code, repeated anchors numbered as renderers do."""
    found, seen = [], {}
    for line in prose(text).split('\n'):
        match = re.match(r'^(#{1,6}) +(.+?) *#*$', line)
        if match:
            anchor = slug(match.group(2))
            count = seen.get(anchor, 0)
            seen[anchor] = count + 1
            found.append((len(match.group(1)), match.group(2), anchor if count == 0 else f'{anchor}-{count}'))
    return found


def toc_faults(path):
    text = open(path, encoding='utf-8').read()
    lines = text.split('\n')
    if '## Contents' not in lines:
        return [f'{path}: no "## Contents" section']
    start = lines.index('## Contents')
    listed = []
    for line in lines[start + 1:]:
        if line.startswith('#'):
            break
        match = re.match(r'^( *)- \[(.+)\]\(#([^)]+)\)$', line)
        if match:
            listed.append((2 + len(match.group(1)) // 2, match.group(2), match.group(3)))
        elif line.strip():
            return [f'{path}: a line of the contents that is no link to a section: {line.strip()}']
    sections = [h for h in headings(text) if h[0] in (2, 3) and h[1] != 'Contents']
    if listed == sections:
        return []
    faults = []
    for at in range(max(len(listed), len(sections))):
        entry = listed[at] if at < len(listed) else None
        section = sections[at] if at < len(sections) else None
        if entry != section:
            faults.append(f'{path}: contents entry {at + 1} is {entry}, the section there is {section}')
            break
    return faults


def link_faults(path):
    text = open(path, encoding='utf-8').read()
    folder = os.path.dirname(os.path.abspath(path))
    faults = []
    for match in re.finditer(r'!?\[[^\]]*\]\(([^)\s]+)\)', prose(text)):
        target = match.group(1)
        if re.match(r'^[a-z]+:', target):
            continue  # a web address or mail, not a file of the repository
        name, _, anchor = target.partition('#')
        file = os.path.normpath(os.path.join(folder, name)) if name else os.path.abspath(path)
        if not os.path.isfile(file):
            faults.append(f'{path}: {target}: no such file')
        elif anchor and file.endswith('.md'):
            anchors = {h[2] for h in headings(open(file, encoding='utf-8').read())}
            if anchor not in anchors:
                faults.append(f'{path}: {target}: no such section')
    return faults


def self_test():
    """Each case is a guide that must give the faults named (by a word of their text), or none."""
    good_toc = '# G\n\n## Contents\n\n- [One](#one)\n  - [Sub, part](#sub-part)\n- [Two](#two)\n\n'
    cases = [
        ('a right guide', good_toc + '## One\n\n### Sub, part\n\n## Two\n\n![p](p.png) [s](#two)\n', []),
        ('a section not listed', good_toc + '## One\n\n### Sub, part\n\n## Two\n\n## Three\n', ['entry 4']),
        ('sections out of order', good_toc + '## Two\n\n## One\n\n### Sub, part\n', ['entry 1']),
        ('a sub-section listed as a section', good_toc.replace('  - [Sub', '- [Sub') +
         '## One\n\n### Sub, part\n\n## Two\n', ['entry 2']),
        ('a wrong anchor', good_toc.replace('(#two)', '(#too)') + '## One\n\n### Sub, part\n\n## Two\n',
         ['entry 3', '#too']),
        ('a missing picture and section', good_toc + '## One\n\n### Sub, part\n\n## Two\n\n'
         '![a\ntwo-line text](gone.png) [x](#three)\n', ['gone.png', '#three']),
        ('links in code are not read', good_toc + '## One\n\n### Sub, part\n\n## Two\n\n'
         '    [x](gone.png)\n\n`[y](gone.png)`\n', []),
    ]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        open(os.path.join(folder, 'p.png'), 'wb').close()
        for name, text, expected in cases:
            path = os.path.join(folder, 'guide.md')
            with open(path, 'w', encoding='utf-8') as file:
                file.write(text)
            faults = toc_faults(path) + link_faults(path)
            if len(faults) != len(expected) or not all(w in f for w, f in zip(expected, faults)):
                print(f'self-test "{name}": expected {expected}, got {faults}')
                failed += 1
    return failed


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--toc', action='append', default=[])
    parser.add_argument('--self-test', action='store_true')
    parser.add_argument('files', nargs='*')
    options = parser.parse_args()
    # A checker that passes a broken guide would keep nothing honest: it proves itself on its cases first.
    if self_test():
        return 1
    if options.self_test:
        return 0
    faults = [f for path in options.toc for f in toc_faults(path)]
    faults += [f for path in options.files for f in link_faults(path)]
    for fault in faults:
        print(fault)
    print(f'{len(options.toc)} contents and {len(options.files)} files checked, {len(faults)} faults')
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
