#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: ap_restore
short_description: Write backups of wireless access points back onto them
description:
  - Writes the records that C(tern.ap.ap_backup) or C(tern-ap-cli backup) saved
    (one C(MAC.json) per AP) back onto their APs with C(tern-ap-cli restore), so a
    rollback is a task.
  - Each backup goes to the AP it was saved from, found by its MAC address on
    the managed host's segments; only an AP whose settings differ from its
    backup gets a request, each is checked by the program's own rules first and
    read back afterwards. A restore that finds every AP as saved sends nothing
    and is not changed.
  - With C(target) one backup file goes onto another AP (a replacement); that AP
    keeps its own name and addressing unless C(all_fields).
  - The module fails, with the program's message and exit code, when an AP
    refuses the login, does not answer, is missing, would be made invalid, or
    does not hold the record when read back.
version_added: "0.1.0"
author:
  - The Tern AP Utility authors (!UNKNOWN)
requirements:
  - tern-ap-cli (package tern-ap-utility) on the managed host
attributes:
  check_mode:
    description:
      - Runs C(tern-ap-cli restore --plan), which says what would change and sends
        nothing. A C(tern-ap-cli) without C(--plan) leaves the task skipped, with
        nothing searched or sent.
    support: full
  diff_mode:
    description: Each AP to change gives the settings before and after; secrets as C(***).
    support: full
options:
  src:
    description:
      - Backup files and folders of them on the managed host (every C(*.json) of a
        folder is read). Two backups of one AP are refused.
    type: list
    elements: path
    required: true
  target:
    description:
      - Write the one backup file of C(src) onto the AP with this MAC address or
        name instead of the AP it was saved from.
      - C(tern-ap-cli restore FILE TARGET) writes the record whole, even where the
        AP already holds it, so such a task is changed whenever the AP acknowledged.
      - A value that begins with C(-) is refused; give the MAC address.
    type: str
  all_fields:
    description:
      - With C(target), give the AP the saved MAC address's name and addressing too
        (C(tern-ap-cli restore --all-fields)); without it the AP keeps its own.
    type: bool
    default: false
  retries:
    description: How often an unanswered set request is sent again, 0 to 10 (default 3).
    type: int
extends_documentation_fragment:
  - tern.ap.common
  - tern.ap.common.login
notes:
  - A backup holds the APs' keys and pass phrases; the module never returns them
    (the program's report masks them as C(***)).
  - With one backup file and no C(target) the module puts a copy of the file in a
    private temporary folder for the program, removed afterwards, so that file
    is restored as a folder's would be.
seealso:
  - module: tern.ap.ap_backup
  - module: tern.ap.ap_settings
'''

EXAMPLES = r'''
- name: Every AP of the site as it was before the change
  tern.ap.ap_restore:
    src: /var/backups/tern-ap/latest
    interfaces: [eth1]
    login_user: admin
    login_password: "{{ vault_ap_password }}"

- name: The lobby's old AP's settings onto its replacement, its name and address too
  tern.ap.ap_restore:
    src: /var/backups/tern-ap/latest/02-54-45-00-00-01.json
    target: 02-54-45-00-00-99
    all_fields: true
    login_user: admin
    login_password_file: /etc/tern/ap-admin.password
'''

RETURN = r'''
aps:
  description:
    - Each AP a backup is for, as C(tern-ap-cli restore --json) reports it.
    - C(outcome) is one of C(unchanged), C(changed), C(to change) (check mode),
      C(refused), C(no answer), C(not applied), C(missing), C(invalid); with
      C(target) C(acknowledged), C(refused) or C(no answer).
    - C(changes) maps each setting to C(before) and C(after); secrets are C(***)
      and C(*** (changed)).
  returned: when the program gave its report
  type: list
  elements: dict
  sample:
    - mac: 02-54-45-00-00-01
      name: TernAP-0001
      interface: eth1
      outcome: changed
      changes:
        beacon_interval: {before: 150, after: 100}
summary:
  description: How many APs had each outcome (not with C(target)).
  returned: when the program gave its report
  type: dict
  sample: {changed: 1, unchanged: 2, refused: 0, no_answer: 0, not_applied: 0,
           missing: 0, invalid: 0, to_change: 0}
rc:
  description:
    - The exit code of C(tern-ap-cli) (1 no AP answered as C(target), 2 an
      unreadable backup or an invalid record, 3 refused, 4 no answer or missing,
      6 not applied).
  returned: failure
  type: int
  sample: 4
stderr:
  description: What the program said on stderr, as one text.
  returned: failure
  type: str
stderr_lines:
  description: What the program said on stderr.
  returned: always
  type: list
  elements: str
cmd:
  description: The argument list the program ran with; it never holds a password.
  returned: always
  type: list
  elements: str
'''

import os
import shutil

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_OK,
    EXIT_PLAN_CHANGES,
    EXIT_USAGE,
    TernApCli,
    TernApModule,
    diff_of,
    message_lines,
    parse_json,
    refuse_option_like,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_login import (
    LOGIN_ARGUMENT_SPEC,
    LOGIN_REQUIRED_BY,
    check_login,
    login_args,
    refuse_together,
)

# What a tern-ap-cli that cannot plan a restore answers to --plan.
NO_PLAN = "unknown option '--plan'"


def argument_spec():
    options = dict(
        src=dict(type='list', elements='path', required=True),
        target=dict(type='str'),
        all_fields=dict(type='bool', default=False),
        retries=dict(type='int'),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    options.update(LOGIN_ARGUMENT_SPEC)
    return options


def check_sources(module):
    """The backups as absolute paths, each found; fails naming the option at fault."""
    params = module.params
    # Absolute, so that no path is read by tern-ap-cli as one of its options.
    sources = [os.path.abspath(path) for path in params['src']]
    if not sources:
        module.fail_json(msg='src names no backup')
    for given, path in zip(params['src'], sources):
        if not os.path.exists(path):
            module.fail_json(msg="src '%s' does not exist" % given)
    target = params.get('target')
    refuse_together(module, ('target', 'logins'))
    if target is not None:
        refuse_option_like(module, 'target', [target])
        if len(sources) != 1 or os.path.isdir(sources[0]):
            module.fail_json(msg='target takes one backup file in src, not a folder or several')
    elif params['all_fields']:
        module.fail_json(msg='all_fields is for a backup written onto the AP target names; '
                             'each AP a backup is for keeps its MAC by itself')
    return sources


def restore_paths(cli, sources, target):
    """The arguments naming the backups, and what the program's messages say of them.

    `restore FILE` alone is tern-ap-cli's one-AP form, which writes the
    record whole whether or not the AP already holds it; in a folder of its
    own the file is restored as a folder's files are: only where the AP
    differs, read back.
    """
    if target is not None:
        return sources + [target], {}
    if len(sources) == 1 and not os.path.isdir(sources[0]):
        folder = os.path.join(cli.private_dir(), 'restore')
        os.mkdir(folder, 0o700)
        copy = os.path.join(folder, 'backup.json')
        shutil.copyfile(sources[0], copy)
        os.chmod(copy, 0o600)
        return [folder], {copy: sources[0], folder: os.path.dirname(sources[0])}
    return sources, {}


def outcomes(report):
    """The APs of either report: the fleet's {aps, summary} or the one-AP list."""
    if isinstance(report, dict) and isinstance(report.get('aps'), list):
        return report['aps'], report.get('summary')
    if isinstance(report, list) and all(isinstance(ap, dict) for ap in report):
        return report, None
    return None, None


def main():
    module = TernApModule(
        argument_spec=argument_spec(),
        required_by=LOGIN_REQUIRED_BY,
        supports_check_mode=True,
    )
    params = module.params
    sources = check_sources(module)
    target = params.get('target')
    plan = module.check_mode
    if not plan:
        check_login(module)
    cli = TernApCli(module)
    try:
        paths, shown_as = restore_paths(cli, sources, target)
        args = ['restore'] + paths + ['--json'] + cli.search_args()
        if params['all_fields']:
            args.append('--all-fields')
        environ = {}
        if plan:
            args.append('--plan')
        else:
            more, environ = login_args(module, cli)
            args += more
        rc, out, err = cli.run(args, environ, shown_as=shown_as)
        cmd = [cli.path] + args
    finally:
        cli.cleanup()

    result = dict(changed=False, cmd=cmd, stderr_lines=message_lines(err))
    if plan and rc == EXIT_USAGE and NO_PLAN in err:
        module.warn('%s cannot plan a restore (restore --plan); the task is skipped in check '
                    'mode, nothing was searched or sent' % cli.path)
        module.exit_json(skipped=True, msg='tern-ap-cli cannot plan a restore', **result)
    successes = (EXIT_OK, EXIT_PLAN_CHANGES) if plan else (EXIT_OK,)
    aps, summary = outcomes(parse_json(out))
    if aps is None:
        if rc in successes:
            cli.fail('restore', rc, out, err, no_report=True, **result)
        aps = []
    outcome = 'to change' if plan else 'changed'
    result['changed'] = any(ap.get('outcome') in (outcome, 'acknowledged') for ap in aps)
    result['aps'] = aps
    if summary is not None:
        result['summary'] = summary
    if module._diff:
        result['diff'] = diff_of(aps, outcome)
    cli.warn_from(err)
    if rc not in successes:
        cli.fail('restore', rc, out, err, dict(aps=aps) if aps else None, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
