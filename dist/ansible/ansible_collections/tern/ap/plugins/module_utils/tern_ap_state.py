# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# The files the modules write for tern-ap-cli (a desired state, a logins
# file) and the way back from the program's words about them: it names a
# file and a line ("state.json:7: channel: ..."), which mean nothing to
# whoever wrote the task; the module knows which option each line holds
# and says that instead ("aps[0].settings.channel: ...").

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import re


def _join(path, key):
    return '%s.%s' % (path, key) if path else '%s' % key


def json_document(value):
    """`value` as JSON text, one key or element a line, and the option of each line.

    Returns (text, paths): paths[N - 1] is the option path of line N, such
    as "defaults.beacon_interval" or "aps[1].match" ("" for the braces of
    the whole document).
    """
    lines = []

    def emit(item, path, depth, prefix, suffix):
        pad = '  ' * depth
        if isinstance(item, dict) and item:
            lines.append((pad + prefix + '{', path))
            keys = list(item)
            for n, key in enumerate(keys):
                emit(item[key], _join(path, key), depth + 1, json.dumps('%s' % key) + ': ',
                     ',' if n + 1 < len(keys) else '')
            lines.append((pad + '}' + suffix, path))
        elif isinstance(item, list) and item:
            lines.append((pad + prefix + '[', path))
            for n, sub in enumerate(item):
                emit(sub, '%s[%d]' % (path, n), depth + 1, '', ',' if n + 1 < len(item) else '')
            lines.append((pad + ']' + suffix, path))
        else:
            lines.append((pad + prefix + json.dumps(item, sort_keys=True) + suffix, path))

    emit(value, '', 0, '', '')
    return '\n'.join(text for text, path in lines) + '\n', [path for text, path in lines]


def state_document(params):
    """The options defaults and aps as a state file of tern-ap-cli, and each line's option."""
    state = dict(version=1)
    if params.get('defaults') is not None:
        state['defaults'] = params['defaults']
    if params.get('aps') is not None:
        state['aps'] = [dict(match=e['match'], settings=e['settings']) for e in params['aps']]
    return json_document(state)


def _said_of(path, rest):
    """`PATH: rest`, without the key the program repeats at the start of `rest`."""
    if not path:
        return rest
    key, sep, after = rest.partition(': ')
    # The program counts list elements from 1 in dotted names
    # (radius_servers.1.ip); the options count them from 0.
    dotted = re.sub(r'\[(\d+)\]', lambda m: '.%d' % (int(m.group(1)) + 1), path)
    if sep and key and (dotted == key or dotted.endswith('.' + key)):
        return '%s: %s' % (path, after)
    return '%s: %s' % (path, rest)


def translate_positions(err, file_path, paths, line_references=False):
    """The program's messages with FILE:LINE of `file_path` said as the option there.

    `paths` is what json_document gave for the file. With `line_references`
    a message that names a line of the file by "(line N)" alone (a state
    file's warnings do) gets the option instead too.
    """
    def option(line):
        number = int(line)
        if 1 <= number <= len(paths):
            return paths[number - 1]
        return None

    out = []
    position = re.compile(re.escape(file_path) + r':(\d+): (.*)$')
    for line in (err or '').splitlines(True):
        ending = line[len(line.rstrip('\r\n')):]
        text = line[:len(line) - len(ending)]
        found = position.search(text)
        if found and option(found.group(1)) is not None:
            text = text[:found.start()] + _said_of(option(found.group(1)), found.group(2))
        elif file_path in text:
            text = text.replace(file_path, 'the options')
        elif line_references:
            text = re.sub(r'\(line (\d+)\)',
                          lambda m: '(%s)' % (option(m.group(1)) or 'line ' + m.group(1)),
                          text)
        out.append(text + ending)
    return ''.join(out)
