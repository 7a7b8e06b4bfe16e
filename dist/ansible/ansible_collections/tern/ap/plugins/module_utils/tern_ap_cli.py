# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# The one place the tern.ap modules call tern-ap-cli: finding the program,
# the options every module shares, private temporary files, the password
# through the environment, and reading the JSON and exit codes back. The
# modules hold no knowledge of the APs themselves; the CLI decides.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import shutil
import tempfile

from ansible.module_utils.six import integer_types, string_types

# tern-ap-cli's exit codes (README, "Fleets").
EXIT_OK = 0
EXIT_FAILURE = 1
EXIT_USAGE = 2
EXIT_REFUSED = 3
EXIT_UNCONFIRMED = 4
EXIT_PLAN_CHANGES = 5
EXIT_NOT_APPLIED = 6

# The variable tern-ap-cli reads the login's password from; it never goes
# into the argument list, where other users of the machine could read it.
PASSWORD_ENV = 'TERN_AP_PASSWORD'
# Each entry of `logins` hands its password over the same way, one
# variable per entry, named in the logins file as {env: NAME}.
LOGIN_ENV_PREFIX = 'TERN_AP_LOGIN_'

# English, untranslated messages and plain byte handling, whatever the
# managed host's locale.
LOCALE_ENV = dict(LC_ALL='C', LANG='C', LC_MESSAGES='C')

# The options of every module: where the program is and where to search.
COMMON_ARGUMENT_SPEC = dict(
    cli=dict(type='path'),
    interfaces=dict(type='list', elements='str'),
    timeout_ms=dict(type='int'),
)


def secret_values(settings):
    """The secret values a settings mapping holds, dotted or nested.

    They are the settings tern-ap-cli shows as *** (a pass phrase, a WEP
    key, a RADIUS secret); the modules keep their values out of results.
    """
    found = []

    def text(value):
        # {file: ...} and {env: ...} name where a secret is, not the secret.
        if isinstance(value, string_types + integer_types) and not isinstance(value, bool):
            value = '%s' % value
            if value:
                found.append(value)

    def walk(name, value):
        parts = name.split('.')
        if isinstance(value, dict):
            for key, sub in value.items():
                walk('%s.%s' % (name, key), sub)
            return
        if isinstance(value, list):
            for index, sub in enumerate(value, 1):
                walk('%s.%d' % (name, index), sub)
            return
        if parts == ['wpa_passphrase']:
            text(value)
        elif len(parts) == 2 and parts[0] == 'wep_keys':
            text(value)
        elif len(parts) == 3 and parts[0] == 'radius_servers' and parts[2] == 'shared_secret':
            text(value)

    for key, value in (settings or {}).items():
        walk(str(key), value)
    return found


class TernApCli(object):
    """tern-ap-cli as one module calls it."""

    def __init__(self, module):
        self.module = module
        params = module.params
        self.path = params.get('cli') or module.get_bin_path('tern-ap-cli', required=True)
        self._dir = None

    # ------------------------------------------------------------ files

    def private_dir(self):
        """A folder only this user can enter, removed by cleanup()."""
        if self._dir is None:
            self._dir = tempfile.mkdtemp(prefix='tern-ap-')
            os.chmod(self._dir, 0o700)
        return self._dir

    def write_private(self, name, data):
        """Writes a new file readable by its owner only; returns its path."""
        path = os.path.join(self.private_dir(), name)
        fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
        with os.fdopen(fd, 'w') as f:
            f.write(data)
        return path

    def cleanup(self):
        if self._dir is not None:
            shutil.rmtree(self._dir, ignore_errors=True)
            self._dir = None

    # ------------------------------------------------------------ running

    def search_args(self):
        """--interface and --timeout-ms as the module's options give them."""
        params = self.module.params
        args = []
        for name in params.get('interfaces') or []:
            args += ['--interface', name]
        if params.get('timeout_ms') is not None:
            args += ['--timeout-ms', str(params['timeout_ms'])]
        return args

    def run(self, args, environ=None, shown_as=None):
        """Runs tern-ap-cli ARGS; secrets only ever in `environ`.

        `shown_as` maps a path given to the program to what its messages
        should say instead (a private folder by the folder it stands for).
        """
        env = dict(LOCALE_ENV)
        env.update(environ or {})
        rc, out, err = self.module.run_command([self.path] + list(args), environ_update=env,
                                               check_rc=False)
        for path, text in (shown_as or {}).items():
            err = err.replace(path, text)
        if self._dir is not None:
            # A file the module wrote is named by what it stands for.
            err = err.replace(os.path.join(self._dir, ''), '')
        return rc, out, err

    def warn_from(self, err):
        """The CLI's warnings on stderr as the task's warnings."""
        for line in message_lines(err):
            if 'warning:' in line:
                self.module.warn(line)

    def fail(self, what, code, out, err, report=None, **extra):
        """Fails the task with the CLI's own words and exit code.

        `extra` is the rest of the module's result (its own rc is `code`).
        """
        report = report or {}
        lines = failure_lines(report.get('aps'))
        lines += message_lines(err)
        if not lines and out.strip() and not report:
            lines = [out.strip()]
        msg = 'tern-ap-cli %s exited %d' % (what, code)
        if lines:
            msg += ': ' + '; '.join(lines)
        result = dict(extra)
        result.update(rc=code, stderr=err, stderr_lines=message_lines(err))
        if not report and out:
            result['stdout'] = out
        self.cleanup()
        self.module.fail_json(msg=msg, **result)


def message_lines(err):
    return [line.strip() for line in (err or '').splitlines() if line.strip()]


# The outcomes that fail an apply or a plan (README, "Fleets").
FAILED_OUTCOMES = ('refused', 'no answer', 'not applied', 'missing', 'invalid')


def failure_lines(aps):
    """One line per AP that failed, as the CLI's text report puts it."""
    lines = []
    for ap in aps or []:
        if ap.get('outcome') not in FAILED_OUTCOMES:
            continue
        line = '%s (%s): %s' % (ap.get('mac') or '-', ap.get('name') or '', ap.get('outcome'))
        if ap.get('interface'):
            line += ' on ' + ap['interface']
        problems = ap.get('problems') or []
        if problems:
            line += ' (' + ', '.join(problems) + ')'
        lines.append(line)
    return lines


def parse_json(text):
    """The CLI's JSON, or None where it printed none (a usage error)."""
    try:
        return json.loads(text)
    except ValueError:
        return None
