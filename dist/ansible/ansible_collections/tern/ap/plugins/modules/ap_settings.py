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
    or does not hold the settings when read back; and when fewer APs of the
    state answered than C(expect_aps) (by default, when none answered).
  - An option at fault is named as the task gives it (C(aps[0].settings.channel)),
    also where C(tern-ap-cli) found the fault in the state file the module wrote.
version_added: "0.1.0"
author:
  - The Tern AP Utility authors (!UNKNOWN)
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
          - "A coded setting may be given as C(tern.ap.ap_info) returns it
            (C({code: 1, text: Shared Key})), by its text or by its code."
        type: dict
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
      - Where every AP about to change is backed up first, one C(MAC.json) each,
        in a new folder named by the time (UTC) for each run, so no run's
        backups replace an earlier run's. The program's default is such a
        folder under C($XDG_STATE_HOME/tern-ap-utility/backups/) on the
        managed host; a folder named here holds one such folder per run.
    type: path
extends_documentation_fragment:
  - tern.ap.common
  - tern.ap.common.login
  - tern.ap.common.expect_aps
notes:
  - The settings' names and values are those of C(tern-ap-cli set); see
    C(man tern-ap-cli) and C(tern-ap-cli --help).
  - The values of secret settings (C(wpa_passphrase), C(wep_keys.N),
    C(radius_servers.N.shared_secret)), given inline or nested, are kept out of the
    managed host's log, the task's results and its diff, as the passwords are.
  - C(expect_aps) counts the APs the state covers that answered; with C(defaults)
    that is every AP that answered.
seealso:
  - module: tern.ap.ap_info
  - module: tern.ap.ap_backup
  - module: tern.ap.ap_restore
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

- name: APs with logins of their own, passwords in files on the site's host
  tern.ap.ap_settings:
    defaults: {beacon_interval: 150}
    login_user: admin
    login_password_file: /etc/tern/ap-admin.password
    logins:
      - match: Warehouse
        user: admin
        password_file: /etc/tern/warehouse.password
    backup_dir: /var/backups/tern-ap
    expect_aps: 12
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
    - C(problems) (an AP that failed) and C(notes) (what the checks change by
      themselves, such as 802.1X switched on for WPA-PSK) are lists of the
      program's words; C(unheld) maps the settings an AP did not take when read
      back (C(not applied)) as C(changes) does.
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
  description:
    - The exit code of C(tern-ap-cli) (1 the socket or a file failed, 2 invalid
      state or options, 3 refused, 4 no answer or missing, 6 not applied).
  returned: failure
  type: int
  sample: 3
heard:
  description: How many APs of the state answered, where fewer than C(expect_aps) did.
  returned: failure
  type: int
  sample: 0
stderr:
  description: What the program said on stderr, as one text.
  returned: failure
  type: str
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

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_OK,
    EXIT_PLAN_CHANGES,
    EXPECT_ARGUMENT_SPEC,
    TernApCli,
    TernApModule,
    diff_of,
    expect_answered,
    message_lines,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_login import (
    LOGIN_ARGUMENT_SPEC,
    LOGIN_REQUIRED_BY,
    check_login,
    login_args,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_state import (
    state_document,
    translate_positions,
)


def argument_spec():
    options = dict(
        defaults=dict(type='dict'),
        aps=dict(type='list', elements='dict', options=dict(
            match=dict(type='str', required=True),
            settings=dict(type='dict', required=True),
        )),
        retries=dict(type='int'),
        keep_going=dict(type='bool', default=False),
        backup_dir=dict(type='path'),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    options.update(LOGIN_ARGUMENT_SPEC)
    options.update(EXPECT_ARGUMENT_SPEC)
    return options


def main():
    module = TernApModule(
        argument_spec=argument_spec(),
        required_one_of=[('defaults', 'aps')],
        required_by=LOGIN_REQUIRED_BY,
        supports_check_mode=True,
    )
    params = module.params
    plan = module.check_mode
    if not plan:
        # A plan sends nothing, so it needs no login at all.
        check_login(module)
    cli = TernApCli(module)
    command = 'plan' if plan else 'apply'
    try:
        text, paths = state_document(params)
        state = cli.write_private('state.json', text)
        cli.rewrites.append(lambda err: translate_positions(err, state, paths, True))
        args = [command, state, '--json'] + cli.search_args()
        environ = {}
        if not plan:
            more, environ = login_args(module, cli)
            args += more
            if params.get('keep_going'):
                args.append('--keep-going')
            if params.get('backup_dir'):
                args += ['--backup-dir', params['backup_dir']]
        rc, out, err = cli.run(args, environ)
        cmd = [cli.path] + args
    finally:
        cli.cleanup()

    result = dict(changed=False, cmd=cmd, stderr_lines=message_lines(err))
    successes = (EXIT_OK, EXIT_PLAN_CHANGES) if plan else (EXIT_OK,)
    report = cli.report(command, rc, out, err, successes, **result)
    aps = report.get('aps') or []
    outcome = 'to change' if plan else 'changed'
    result['changed'] = any(ap.get('outcome') == outcome for ap in aps)
    # No rc on success: Ansible takes a result's non-zero rc for a failure,
    # and a plan that finds changes exits 5.
    if report:
        result['aps'] = aps
        result['summary'] = report.get('summary', {})
    if module._diff:
        result['diff'] = diff_of(aps, outcome)
    cli.warn_from(err)
    if rc not in successes:
        cli.fail(command, rc, out, err, report, **result)
    heard = len([ap for ap in aps if ap.get('outcome') != 'missing'])
    expect_answered(module, cli, heard, of='of the state', **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
