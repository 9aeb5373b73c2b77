#!/usr/bin/env python3
"""Writes src/cookbook/exchange/formats/html/HtmlEntityTable.cpp: every named
character reference of HTML, from the table Python's standard library keeps
(html.entities.html5, the list of the HTML standard), sorted by name.

    scripts/generate_html_entities.py > src/cookbook/exchange/formats/html/HtmlEntityTable.cpp
"""
import html.entities

names = {}
for key, text in html.entities.html5.items():
    name = key.rstrip(';')
    entry = names.setdefault(name, {'text': text, 'legacy': False})
    if not key.endswith(';'):
        entry['legacy'] = True

print('// Every named character reference of HTML, sorted by name. Written by')
print('// scripts/generate_html_entities.py; do not edit by hand.')
print('#include "cookbook/exchange/formats/html/HtmlEntities.h"')
print()
print('#include <array>')
print()
print('namespace savrona::html {')
print()
print('namespace {')
print()
print('// clang-format off')
print(f'constexpr std::array<NamedReference, {len(names)}> references{{{{')
entries = []
for name in sorted(names, key=lambda n: n.encode()):
    entry = names[name]
    codes = [ord(c) for c in entry['text']] + [0]
    legacy = 'true' if entry['legacy'] else 'false'
    entries.append(f'{{"{name}", 0x{codes[0]:X}, 0x{codes[1]:X}, {legacy}}}')
line = '   '
for text in entries:
    if len(line) + len(text) + 2 > 100:
        print(line.rstrip())
        line = '   '
    line += ' ' + text + ','
print(line.rstrip())
print('}};')
print('// clang-format on')
print()
print('} // namespace')
print()
print('std::span<const NamedReference> namedReferences() {')
print('    return references;')
print('}')
print()
print('} // namespace savrona::html')
