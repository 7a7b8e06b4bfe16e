# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# The one place the tern.ap modules call tern-ap-cli: finding the program and
# checking its version, the options every module shares, private temporary
# files, a standard input that is never a terminal, and reading the JSON and
# exit codes back. The modules hold no knowledge of the APs themselves; the
# CLI decides.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import contextlib
import json
import os
import re
import shutil
import tempfile

from ansible.module_utils.basic import AnsibleModule
from ansible.module_utils.six import integer_types, string_types

# The version of tern-ap-cli this collection is made for: the two come from
# one source tree and one package, and the JSON between them has no version
# of its own. A test keeps it equal to the project's version.
COLLECTION_VERSION = '0.1.0'

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

# How many APs must answer before a task may succeed.
EXPECT_ARGUMENT_SPEC = dict(
    expect_aps=dict(type='int', default=1),
)

# The outcomes that fail an apply, a plan or a restore (README, "Fleets").
FAILED_OUTCOMES = ('refused', 'no answer', 'not applied', 'missing', 'invalid')


# ------------------------------------------------------------------ secrets

def is_secret_setting(name):
    """Whether tern-ap-cli shows this setting as ***: the same names it masks."""
    parts = name.split('.')
    if parts == ['wpa_passphrase']:
        return True
    if len(parts) == 2:
        return parts[0] == 'wep_keys' and parts[1].isdigit()
    return (len(parts) == 3 and parts[0] == 'radius_servers' and parts[1].isdigit()
            and parts[2] == 'shared_secret')


def secret_values(settings):
    """The secret values a settings mapping holds, dotted or nested.

    They are the settings tern-ap-cli shows as *** (a pass phrase, a WEP
    key, a RADIUS secret); the modules keep their values out of the log,
    the results and the diff.
    """
    found = []

    def walk(name, value):
        if isinstance(value, dict):
            for key, sub in value.items():
                walk('%s.%s' % (name, key), sub)
            return
        if isinstance(value, list):
            for index, sub in enumerate(value, 1):
                walk('%s.%d' % (name, index), sub)
            return
        # {file: ...} and {env: ...} name where a secret is, not the secret:
        # their names end in .file and .env and are no secret setting.
        if is_secret_setting(name) and isinstance(value, string_types + integer_types) \
                and not isinstance(value, bool):
            text = '%s' % value
            if text:
                found.append(text)

    if isinstance(settings, string_types):
        # A mapping given as JSON text is read as JSON by the option's type.
        try:
            settings = json.loads(settings)
        except ValueError:
            return found
    if not isinstance(settings, dict):
        return found
    for key, value in settings.items():
        walk(str(key), value)
    return found


def secrets_of_params(params):
    """Every secret setting in `defaults` and `aps[].settings` of raw or checked options."""
    found = secret_values(params.get('defaults'))
    entries = params.get('aps')
    if isinstance(entries, string_types):
        try:
            entries = json.loads(entries)
        except ValueError:
            entries = None
    for entry in entries if isinstance(entries, list) else []:
        if isinstance(entry, string_types):
            try:
                entry = json.loads(entry)
            except ValueError:
                continue
        if isinstance(entry, dict):
            found += secret_values(entry.get('settings'))
    return found


class TernApModule(AnsibleModule):
    """An AnsibleModule whose secret settings are masked from its first log line.

    AnsibleModule writes the module's options to the managed host's journal
    (or syslog) while it is constructed, and masks only what `no_log`
    options hold. A pass phrase inside the free-form `settings` is no such
    option, so its value has to be among the values never logged before
    that line is written: right after the options are read.
    """

    def _load_params(self):
        super(TernApModule, self)._load_params()
        self.no_log_values.update(secrets_of_params(self.params))

    def __init__(self, *args, **kwargs):
        super(TernApModule, self).__init__(*args, **kwargs)
        # The checked options may hold what the raw ones held as text.
        self.no_log_values.update(secrets_of_params(self.params))


@contextlib.contextmanager
def no_terminal():
    """Standard input is /dev/null for the programs started meanwhile.

    Over SSH Ansible gives a module a terminal (ssh -tt), and run_command
    passes its own standard input on: tern-ap-cli would ask for a password
    there and wait for ever. With /dev/null it never asks.
    """
    try:
        saved = os.dup(0)
    except OSError:
        saved = None
    null = os.open(os.devnull, os.O_RDONLY)
    try:
        if null != 0:
            os.dup2(null, 0)
        yield
    finally:
        if saved is not None:
            os.dup2(saved, 0)
            os.close(saved)
        elif null != 0:
            os.close(0)
        if null != 0:
            os.close(null)


def refuse_option_like(module, option, values):
    """Fails when a value the CLI takes as an argument begins with '-'.

    tern-ap-cli reads such a word as one of its options (--show-secrets,
    --all) and takes no '--' before its arguments.
    """
    for value in values:
        if value.startswith('-'):
            module.fail_json(msg="%s '%s' begins with '-', which tern-ap-cli would read as one "
                                 "of its options; name that AP by its MAC address" % (option, value))


class TernApCli(object):
    """tern-ap-cli as one module calls it."""

    def __init__(self, module, check_version=True):
        self.module = module
        params = module.params
        self.path = params.get('cli') or module.get_bin_path('tern-ap-cli', required=True)
        self._dir = None
        self.rewrites = []
        if check_version:
            self.check_version()

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
        with no_terminal():
            rc, out, err = self.module.run_command([self.path] + list(args), environ_update=env,
                                                   check_rc=False)
        for rewrite in self.rewrites:
            err = rewrite(err)
        for path, text in (shown_as or {}).items():
            err = err.replace(path, text)
        if self._dir is not None:
            # A file the module wrote is named by what it stands for.
            err = err.replace(os.path.join(self._dir, ''), '')
        return rc, out, err

    def check_version(self):
        """Fails unless the program is of the collection's own version."""
        rc, out, err = self.run(['--version'])
        found = re.match(r'^tern-ap-cli (\S+)$', out.strip()) if rc == EXIT_OK else None
        if found is None:
            said = '; '.join(message_lines(err) or message_lines(out))
            self.module.fail_json(
                msg="%s does not tell its version (--version exited %d%s); the collection "
                    "tern.ap %s needs tern-ap-cli %s" % (
                        self.path, rc, ': ' + said if said else ' and printed nothing',
                        COLLECTION_VERSION, COLLECTION_VERSION),
                rc=rc)
        if found.group(1) != COLLECTION_VERSION:
            self.module.fail_json(
                msg="%s is tern-ap-cli %s, but the collection tern.ap is %s: install the "
                    "same version of both (the package tern-ap-utility holds both)" % (
                        self.path, found.group(1), COLLECTION_VERSION))
        self.version = found.group(1)

    def warn_from(self, err):
        """The CLI's warnings on stderr as the task's warnings."""
        for line in message_lines(err):
            if 'warning:' in line:
                self.module.warn(line)

    def report(self, what, rc, out, err, successes=(EXIT_OK,), **extra):
        """The CLI's JSON report of a fleet command (a dict with `aps`).

        A program that exits with success but prints no report did nothing
        the module can stand behind (`/bin/true`, another program): that is
        a failure, never a quiet success.
        """
        report = parse_json(out)
        if isinstance(report, dict) and isinstance(report.get('aps'), list):
            return report
        if rc in successes:
            self.fail(what, rc, out, err, no_report=True, **extra)
        return {}

    def fail(self, what, code, out, err, report=None, no_report=False, **extra):
        """Fails the task with the CLI's own words and exit code.

        `extra` is the rest of the module's result (its own rc is `code`).
        """
        report = report or {}
        lines = failure_lines(report.get('aps'))
        lines += message_lines(err)
        if not lines and out.strip() and not report:
            lines = [out.strip()]
        if no_report:
            # True, or the words of what is missing ("saved no file").
            words = no_report if isinstance(no_report, string_types) else 'printed no report'
            msg = 'tern-ap-cli %s %s (exit %d)' % (what, words, code)
            code = code or EXIT_FAILURE
        else:
            msg = 'tern-ap-cli %s exited %d' % (what, code)
        if lines:
            msg += ': ' + '; '.join(lines)
        result = dict(extra)
        result.update(rc=code, stderr=err, stderr_lines=message_lines(err))
        if not report and out:
            result['stdout'] = out
        self.cleanup()
        self.module.fail_json(msg=msg, **result)


def expect_answered(module, cli, heard, of='', then='', **result):
    """Fails when fewer APs answered than the option expect_aps asks for.

    The message reads "<how many> AP(s) <of> answered <then>".
    """
    wanted = module.params.get('expect_aps')
    if wanted is None or heard >= wanted:
        return
    words = ['no AP' if heard == 0 else '%d AP(s)' % heard, of, 'answered', then]
    msg = ' '.join(w for w in words if w)
    msg += ', fewer than expect_aps %d' % wanted
    interfaces = module.params.get('interfaces')
    msg += ' (searched %s)' % ('through ' + ', '.join(interfaces) if interfaces
                               else 'every interface that can broadcast')
    cli.cleanup()
    module.fail_json(msg=msg, heard=heard, **result)


def message_lines(err):
    return [line.strip() for line in (err or '').splitlines() if line.strip()]


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


def diff_of(aps, outcome):
    """Before and after of each AP with this outcome, as the program masks them."""
    diffs = []
    for ap in aps:
        if ap.get('outcome') != outcome or not ap.get('changes'):
            continue
        header = '%s (%s)' % (ap.get('mac'), ap.get('name'))
        if ap.get('interface'):
            header += ' on ' + ap['interface']
        changes = ap['changes']
        diffs.append(dict(
            before_header=header,
            after_header=header,
            before=dict((name, c.get('before')) for name, c in changes.items()),
            after=dict((name, c.get('after')) for name, c in changes.items()),
        ))
    return diffs


def parse_json(text):
    """The CLI's JSON, or None where it printed none (a usage error)."""
    try:
        return json.loads(text)
    except ValueError:
        return None
