# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors
# The login of the modules that send (ap_settings, ap_restore): its options,
# the checks that name them before anything runs, and how each password
# reaches tern-ap-cli (its environment or a file it reads itself, never its
# argument list, never a prompt).

from __future__ import absolute_import, division, print_function

__metaclass__ = type

import os

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    LOGIN_ENV_PREFIX,
    PASSWORD_ENV,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_state import (
    json_document,
    translate_positions,
)

# Every module takes these, so that one module_defaults of group/tern.ap.all
# sets the login for a whole play; the modules that only search ignore them.
LOGIN_ARGUMENT_SPEC = dict(
    login_user=dict(type='str'),
    login_password=dict(type='str', no_log=True),
    login_password_file=dict(type='path', no_log=False),
    logins=dict(type='list', elements='dict', options=dict(
        match=dict(type='str', required=True),
        user=dict(type='str', required=True),
        password=dict(type='str', no_log=True),
        password_file=dict(type='path', no_log=False),
    ), mutually_exclusive=[('password', 'password_file')],
        required_one_of=[('password', 'password_file')]),
)

LOGIN_REQUIRED_BY = dict(login_password='login_user', login_password_file='login_user')


def given(params, name):
    """Whether an option has a value: module_defaults may set one to null."""
    return params.get(name) is not None


def refuse_together(module, *pairs):
    """Fails naming the options of a pair given together.

    AnsibleModule's mutually_exclusive counts an option set to null as
    given, and one module_defaults of group/tern.ap.all sets the login
    options of every module, to null where a play has none.
    """
    for first, second in pairs:
        if given(module.params, first) and given(module.params, second):
            module.fail_json(msg='parameters are mutually exclusive: %s|%s' % (first, second))


def check_login(module):
    """Fails, naming the options, where tern-ap-cli would want a login it has not.

    The program asks on a terminal for a password it was not given; a
    module never lets it (its standard input is /dev/null), so a missing
    password is said here, at once, in the module's own words.
    """
    params = module.params
    refuse_together(module, ('login_password', 'login_password_file'))
    for index, entry in enumerate(params.get('logins') or []):
        if given(entry, 'password') == given(entry, 'password_file'):
            module.fail_json(msg='logins[%d] wants one of password and password_file' % index)
    user = params.get('login_user')
    if user is None and not params.get('logins'):
        module.fail_json(msg='login_user (or logins) is needed to write to the APs; '
                             'check mode needs no login')
    if user is not None and params.get('login_password') is None \
            and not params.get('login_password_file') and PASSWORD_ENV not in os.environ:
        module.fail_json(msg="login_user '%s' has no password: give login_password (or "
                             "login_password_file, or %s in the task's environment)"
                             % (user, PASSWORD_ENV))
    files = [('login_password_file', params.get('login_password_file'))]
    for index, entry in enumerate(params.get('logins') or []):
        files.append(('logins[%d].password_file' % index, entry.get('password_file')))
    for option, path in files:
        if path and not os.access(path, os.R_OK):
            module.fail_json(msg="%s '%s' cannot be read" % (option, path))


def logins_document(logins):
    """The logins file: each password named by a variable, never written down.

    Returns its text, the environment that holds the passwords, and the
    option each line of the text stands for.
    """
    entries = []
    environ = {}
    for index, entry in enumerate(logins, 1):
        if entry.get('password_file'):
            password = dict(file=entry['password_file'])
        else:
            name = '%s%d' % (LOGIN_ENV_PREFIX, index)
            environ[name] = entry['password']
            password = dict(env=name)
        entries.append(dict(match=entry['match'], user=entry['user'], password=password))
    text, paths = json_document(dict(version=1, aps=entries))

    def option(path):
        # aps[0].password.env is the option logins[0].password.
        path = 'logins' + path[len('aps'):] if path.startswith('aps') else path
        for tail in ('.password.env', '.password.file'):
            if path.endswith(tail):
                return path[:-len(tail)] + ('.password' if tail.endswith('env')
                                            else '.password_file')
        return path
    return text, environ, [option(p) for p in paths]


def login_args(module, cli):
    """The arguments and environment of the login, the logins file written."""
    params = module.params
    args = []
    environ = {}
    if params.get('login_user') is not None:
        args += ['--user', params['login_user']]
    if params.get('login_password_file'):
        args += ['--password-file', os.path.abspath(params['login_password_file'])]
    elif params.get('login_password') is not None:
        environ[PASSWORD_ENV] = params['login_password']
    if params.get('logins'):
        text, login_environ, paths = logins_document(params['logins'])
        path = cli.write_private('logins.json', text)
        cli.rewrites.append(positions_rewrite(path, paths))
        args += ['--logins', path]
        environ.update(login_environ)
    if params.get('retries') is not None:
        args += ['--retries', str(params['retries'])]
    return args, environ


def positions_rewrite(path, paths):
    """A rewrite of the CLI's messages: FILE:LINE of `path` as the option it stands for."""
    def rewrite(err):
        return translate_positions(err, path, paths)
    return rewrite
