# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# What the unit tests share: a module run as Ansible runs it (its options
# as the controller hands them over, its result as it would print it),
# with tern-ap-cli replaced by a fake that answers run_command as the
# program would, and the managed host's journal replaced by a recorder.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import json
import os
import shutil
import stat
import tempfile
import unittest

from ansible.module_utils import basic
from ansible.module_utils.common.text.converters import to_bytes

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import COLLECTION_VERSION

try:
    from unittest import mock
except ImportError:  # pragma: no cover
    import mock

CLI = '/opt/tern/bin/tern-ap-cli'


class Exited(Exception):
    def __init__(self, result, failed):
        Exception.__init__(self, result)
        self.result = result
        self.failed = failed


def printed(module, kwargs):
    # What AnsibleModule prints: the result with the invocation, every value
    # it must not log taken out.
    kwargs.setdefault('invocation', {'module_args': module.params})
    return basic.remove_values(kwargs, module.no_log_values)


def exit_json(self, **kwargs):
    raise Exited(printed(self, kwargs), bool(kwargs.get('failed')))


def fail_json(self, msg, **kwargs):
    kwargs['msg'] = msg
    kwargs['failed'] = True
    raise Exited(printed(self, kwargs), True)


class FakeCli(object):
    """tern-ap-cli as run_command sees it: one answer per call, in turn.

    An answer is (rc, stdout, stderr) or a function of the call. The
    version is asked first by every module; `version` answers it and is
    not counted among the calls.
    """

    def __init__(self, *answers, **options):
        self.answers = list(answers)
        self.calls = []
        self.version = options.get('version', (0, 'tern-ap-cli %s\n' % COLLECTION_VERSION, ''))

    def __call__(self, module, args, environ_update=None, check_rc=False, **kwargs):
        if list(args[1:]) == ['--version']:
            return self.version
        call = dict(args=list(args), env=dict(environ_update or {}), files={}, modes={})
        # The files and folders the module handed over, while the command runs.
        for a in args:
            if not isinstance(a, str) or not os.path.isabs(a) or not os.path.exists(a):
                continue
            names = [a]
            if os.path.isdir(a):
                names = [os.path.join(a, n) for n in sorted(os.listdir(a))]
                call['modes'][a] = stat.S_IMODE(os.stat(a).st_mode)
            for name in names:
                if os.path.isfile(name):
                    with open(name) as f:
                        call['files'][name] = f.read()
                    call['modes'][name] = stat.S_IMODE(os.stat(name).st_mode)
        self.calls.append(call)
        if not self.answers:
            raise AssertionError('tern-ap-cli run once more than the test expects: %s' % args)
        answer = self.answers.pop(0)
        if callable(answer):
            answer = answer(call)
        return answer


class Journal(object):
    """The managed host's journal: every entry a module sends, all its fields."""

    def __init__(self):
        self.entries = []

    def send(self, **fields):
        self.entries.append(fields)

    def text(self):
        return json.dumps(self.entries)


def report(*aps):
    summary = {}
    for ap in aps:
        key = ap['outcome'].replace(' ', '_')
        summary[key] = summary.get(key, 0) + 1
    return json.dumps({'aps': list(aps), 'summary': summary}, indent=4)


def ap(mac, outcome, changes=None, **extra):
    entry = dict(mac=mac, name='TernAP-' + mac[-2:], interface='seg1', outcome=outcome,
                 changes=changes or {})
    entry.update(extra)
    return entry


class ModuleTest(unittest.TestCase):
    """Runs a module's main() and returns what it printed."""

    def setUp(self):
        self.tmp = tempfile.mkdtemp(prefix='tern-ap-test-')
        self.addCleanup(shutil.rmtree, self.tmp, True)
        self.journal = Journal()
        self.warnings = []

    def run_module(self, module, args, cli, check_mode=False, diff=False, fake_cli=True):
        args = dict(args)
        args['_ansible_check_mode'] = check_mode
        args['_ansible_diff'] = diff
        # Tests need no temporary folder of ansible's own.
        args['_ansible_remote_tmp'] = self.tmp
        args['_ansible_tmpdir'] = self.tmp
        basic._ANSIBLE_ARGS = to_bytes(json.dumps({'ANSIBLE_MODULE_ARGS': args}))
        patches = [
            mock.patch.object(basic.AnsibleModule, 'exit_json', exit_json),
            mock.patch.object(basic.AnsibleModule, 'fail_json', fail_json),
            mock.patch.object(basic.AnsibleModule, 'get_bin_path', return_value=CLI),
            mock.patch.object(basic.AnsibleModule, 'warn',
                              lambda _self, text: self.warnings.append(text)),
            mock.patch.object(basic, 'has_journal', True),
            mock.patch.object(basic, 'journal', self.journal, create=True),
        ]
        if fake_cli:
            patches.append(mock.patch.object(basic.AnsibleModule, 'run_command', autospec=True,
                                             side_effect=cli))
        for patch in patches:
            patch.start()
        try:
            with self.assertRaises(Exited) as done:
                module.main()
        finally:
            for patch in reversed(patches):
                patch.stop()
        return done.exception

    def assertNoSecretIn(self, secret, *things):
        for thing in things:
            self.assertNotIn(secret, thing if isinstance(thing, str) else json.dumps(thing))
