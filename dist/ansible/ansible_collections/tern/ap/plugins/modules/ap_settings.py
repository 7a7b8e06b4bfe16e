#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: ap_settings
short_description: Keep the wireless access points of a site in a desired state
description:
  - Brings every access point (AP) that answers a search on the managed host's
    network segments to the settings given, through C(tern-ap-cli apply).
  - The options C(defaults) and C(aps) are a desired-state file of
    C(tern-ap-cli) (C(version 1)); the module writes them to a private
    temporary file, lets C(tern-ap-cli) plan and apply it, and removes the
    file. Every AP is checked by the program's own rules before anything is
    sent; an AP that already holds every value gets no request.
  - Broadcast stops at a router, so run the task on a host inside each site's
    segment (one inventory host per site).
  - In check mode the module runs C(tern-ap-cli plan) and sends no set request.
  - The module fails, with the program's message and exit code, when an AP
    refuses the login, does not answer, is missing, is invalid for the state,
    or does not hold the settings when read back.
version_added: "0.1.0"
author:
  - The Tern AP Utility authors
requirements:
  - tern-ap-cli (package tern-ap-utility) on the managed host
attributes:
  check_mode:
    description: Runs C(tern-ap-cli plan); nothing is sent.
    support: full
  diff_mode:
    description: Each AP to change gives the settings before and after; secrets as C(***).
    support: full
options:
  defaults:
    description:
      - Settings for every AP that answers the search, by the names of
        C(tern-ap-cli show --json), dotted (C(dhcp_server.start)) or nested.
      - "A secret may be given as C({file: PATH}) or C({env: NAME}) on the managed host."
    type: dict
  aps:
    description:
      - Settings for the APs an entry matches; later entries override earlier ones.
    type: list
    elements: dict
    suboptions:
      match:
        description:
          - A MAC address (any case, C(-) or C(:)), an exact AP name, or a pattern
            of names with C(*), C(?) or C([...]).
        type: str
        required: true
      settings:
        description:
          - The settings, as in C(defaults).
        type: dict
        required: true
  login_user:
    description:
      - The management user of the APs that no entry of C(logins) matches.
    type: str
  login_password:
    description:
      - The password of C(login_user). It reaches C(tern-ap-cli) through the
        environment, never the argument list. Without it the program reads
        C(TERN_AP_PASSWORD) from the task's environment.
    type: str
  logins:
    description:
      - Logins of APs with their own; the last entry that matches an AP gives its login.
    type: list
    elements: dict
    suboptions:
      match:
        description: A MAC address, an AP name or a pattern, as in C(aps[].match).
        type: str
        required: true
      user:
        description: The management user.
        type: str
        required: true
      password:
        description: The password; handed over through the environment.
        type: str
        required: true
  retries:
    description: How often an unanswered set request is sent again, 0 to 10 (default 3).
    type: int
  keep_going:
    description:
      - Skip the APs the state makes invalid and change the others. The task
        still fails, naming the invalid APs.
    type: bool
    default: false
  backup_dir:
    description:
      - Where every AP about to change is backed up first, one C(MAC.json) each.
        The program's default is a new folder for each run under
        C($XDG_STATE_HOME/tern-ap-utility/backups/) on the managed host; a
        folder named here holds the latest run's backups only (each AP's
        file is replaced by the next run that changes that AP).
    type: path
extends_documentation_fragment:
  - tern.ap.common
notes:
  - The settings' names and values are those of C(tern-ap-cli set); see
    C(man tern-ap-cli) and C(tern-ap-cli --help).
  - The values of secret settings (C(wpa_passphrase), C(wep_keys.N),
    C(radius_servers.N.shared_secret)) are kept out of the task's results.
seealso:
  - module: tern.ap.ap_info
  - module: tern.ap.ap_backup
'''

EXAMPLES = r'''
- name: Every AP of the site beacons every 150 ms, the lobby AP has its own SSID
  tern.ap.ap_settings:
    interfaces: [eth1]
    login_user: admin
    login_password: "{{ vault_ap_password }}"
    defaults:
      beacon_interval: 150
    aps:
      - match: "Lab-*"
        settings: {channel: 6}
      - match: 02-54-45-00-00-01
        settings:
          ssid: lobby
          wpa_passphrase: "{{ vault_lobby_psk }}"

- name: APs with logins of their own
  tern.ap.ap_settings:
    defaults: {beacon_interval: 150}
    login_user: admin
    login_password: "{{ vault_ap_password }}"
    logins:
      - match: Warehouse
        user: admin
        password: "{{ vault_warehouse_password }}"
    backup_dir: /var/backups/tern-ap
'''

RETURN = r'''
aps:
  description:
    - Each AP the state covers, as C(tern-ap-cli apply --json) (or C(plan --json)
      in check mode) reports it.
    - C(outcome) is one of C(unchanged), C(changed), C(to change) (check mode),
      C(refused), C(no answer), C(not applied), C(missing), C(invalid).
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
        beacon_interval: {before: 100, after: 150}
summary:
  description: How many APs had each outcome.
  returned: when the program gave its report
  type: dict
  sample: {changed: 1, unchanged: 2, refused: 0, no_answer: 0, not_applied: 0,
           missing: 0, invalid: 0, to_change: 0}
rc:
  description: The exit code of C(tern-ap-cli) (2 invalid state, 3 refused, 4 no answer or
    missing, 6 not applied).
  returned: failure
  type: int
  sample: 3
stderr_lines:
  description: What the program said on stderr (the backup folder, the counts of requests).
  returned: always
  type: list
  elements: str
cmd:
  description: The argument list the program ran with; it never holds a password.
  returned: always
  type: list
  elements: str
'''

import json

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_OK,
    EXIT_PLAN_CHANGES,
    LOGIN_ENV_PREFIX,
    PASSWORD_ENV,
    TernApCli,
    message_lines,
    parse_json,
    secret_values,
)


def argument_spec():
    options = dict(
        defaults=dict(type='dict'),
        aps=dict(type='list', elements='dict', options=dict(
            match=dict(type='str', required=True),
            settings=dict(type='dict', required=True),
        )),
        login_user=dict(type='str'),
        login_password=dict(type='str', no_log=True),
        logins=dict(type='list', elements='dict', options=dict(
            match=dict(type='str', required=True),
            user=dict(type='str', required=True),
            password=dict(type='str', required=True, no_log=True),
        )),
        retries=dict(type='int'),
        keep_going=dict(type='bool', default=False),
        backup_dir=dict(type='path'),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    return options


def state_document(params):
    """The options as a state file of tern-ap-cli."""
    state = dict(version=1)
    if params.get('defaults') is not None:
        state['defaults'] = params['defaults']
    if params.get('aps') is not None:
        state['aps'] = [dict(match=e['match'], settings=e['settings']) for e in params['aps']]
    return json.dumps(state, indent=2, sort_keys=False) + '\n'


def logins_document(logins):
    """The logins file: each password named by a variable, never written down."""
    entries = []
    environ = {}
    for index, entry in enumerate(logins, 1):
        name = '%s%d' % (LOGIN_ENV_PREFIX, index)
        environ[name] = entry['password']
        entries.append(dict(match=entry['match'], user=entry['user'], password=dict(env=name)))
    return json.dumps(dict(version=1, aps=entries), indent=2) + '\n', environ


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


def main():
    module = AnsibleModule(
        argument_spec=argument_spec(),
        required_one_of=[('defaults', 'aps')],
        supports_check_mode=True,
    )
    params = module.params
    for value in secret_values(params.get('defaults')):
        module.no_log_values.add(value)
    for entry in params.get('aps') or []:
        for value in secret_values(entry.get('settings')):
            module.no_log_values.add(value)

    cli = TernApCli(module)
    plan = module.check_mode
    command = 'plan' if plan else 'apply'
    try:
        state = cli.write_private('state.json', state_document(params))
        args = [command, state, '--json'] + cli.search_args()
        environ = {}
        if not plan:
            # A plan sends nothing, so it needs no login at all.
            if params.get('login_user') is not None:
                args += ['--user', params['login_user']]
            if params.get('login_password') is not None:
                environ[PASSWORD_ENV] = params['login_password']
            if params.get('logins'):
                text, login_environ = logins_document(params['logins'])
                args += ['--logins', cli.write_private('logins.json', text)]
                environ.update(login_environ)
            if params.get('retries') is not None:
                args += ['--retries', str(params['retries'])]
            if params.get('keep_going'):
                args.append('--keep-going')
            if params.get('backup_dir'):
                args += ['--backup-dir', params['backup_dir']]
        rc, out, err = cli.run(args, environ)
        cmd = [cli.path] + args
    finally:
        cli.cleanup()

    report = parse_json(out)
    if not isinstance(report, dict):
        report = {}
    aps = report.get('aps') or []
    outcome = 'to change' if plan else 'changed'
    changed = any(ap.get('outcome') == outcome for ap in aps)
    # No rc on success: Ansible takes a result's non-zero rc for a failure,
    # and a plan that finds changes exits 5.
    result = dict(changed=changed, cmd=cmd, stderr_lines=message_lines(err))
    if report:
        result['aps'] = aps
        result['summary'] = report.get('summary', {})
    if module._diff:
        result['diff'] = diff_of(aps, outcome)
    cli.warn_from(err)
    if rc != EXIT_OK and not (plan and rc == EXIT_PLAN_CHANGES):
        cli.fail(command, rc, out, err, report, **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
