#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: ap_info
short_description: Every wireless access point that answers on the host's segments
description:
  - Searches the managed host's network segments for wireless access points (APs)
    with C(tern-ap-cli show --json) and returns every setting of each AP that
    answers, decoded.
  - Keys, pass phrases and RADIUS secrets are C(***) unless C(show_secrets) is true.
  - Sends a search request only; nothing on an AP is changed.
version_added: "0.1.0"
author:
  - The Tern AP Utility authors (!UNKNOWN)
requirements:
  - tern-ap-cli (package tern-ap-utility) on the managed host
attributes:
  check_mode:
    description: Runs as without check mode; it changes nothing.
    support: full
  diff_mode:
    description: Gives no diff.
    support: none
options:
  match:
    description:
      - Only the AP with this MAC address (any case, C(-) or C(:)) or this exact
        name, or the APs whose names fit this pattern (C(*), C(?), C([...])), as
        C(tern.ap.ap_settings) matches them. By default every AP that answers.
      - A value that begins with C(-) is refused; name such an AP by its MAC address.
    type: str
  show_secrets:
    description:
      - Give keys, pass phrases and RADIUS secrets as they are.
      - They are then in the task's result; register it with C(no_log) on the task.
    type: bool
    default: false
  expect_aps:
    description:
      - Fail unless at least this many APs answered (those C(match) names).
      - By default an empty C(aps) is a success, as nothing was asked to be there.
    type: int
    default: 0
extends_documentation_fragment:
  - tern.ap.common
  - tern.ap.common.login
notes:
  - With a pattern the module lets C(tern-ap-cli plan) tell which APs fit it and
    then shows every AP, so the search runs twice (two times C(timeout_ms)).
seealso:
  - module: tern.ap.ap_settings
  - module: tern.ap.ap_backup
  - module: tern.ap.ap_restore
'''

EXAMPLES = r'''
- name: Every AP behind eth1
  tern.ap.ap_info:
    interfaces: [eth1]
  register: site

- name: Their names and channels
  ansible.builtin.debug:
    msg: "{{ site.aps | map(attribute='ap_name') | zip(site.aps | map(attribute='channel')) | list }}"

- name: One AP, by its MAC
  tern.ap.ap_info:
    match: 02-54-45-00-00-01

- name: The lab's APs, all three of them
  tern.ap.ap_info:
    match: "Lab-*"
    expect_aps: 3
'''

RETURN = r'''
aps:
  description:
    - Each AP that answered, as C(tern-ap-cli show --json) gives it, with the
      interface it answered on. An empty list when none answered.
  returned: success
  type: list
  elements: dict
  sample:
    - mac: 02-54-45-00-00-01
      ap_name: TernAP-0001
      ssid: tern-0001
      channel: 6
      wpa_passphrase: "***"
      interface: eth1
rc:
  description: The exit code of C(tern-ap-cli) (1 the socket cannot be opened, 2 an option).
  returned: failure
  type: int
  sample: 1
heard:
  description: How many APs answered, where fewer than C(expect_aps) did.
  returned: failure
  type: int
  sample: 0
stderr_lines:
  description: What the program said on stderr.
  returned: always
  type: list
  elements: str
'''

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_FAILURE,
    EXIT_OK,
    TernApCli,
    TernApModule,
    expect_answered,
    message_lines,
    parse_json,
    refuse_option_like,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_login import LOGIN_ARGUMENT_SPEC
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_state import json_document

# What tern-ap-cli says when no AP answered as the target: for this module
# an empty list, not a failure.
NO_AP_ANSWERED = 'no AP answered as'


def argument_spec():
    options = dict(
        match=dict(type='str'),
        show_secrets=dict(type='bool', default=False, no_log=False),
        expect_aps=dict(type='int', default=0),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    options.update(LOGIN_ARGUMENT_SPEC)
    return options


def is_pattern(match):
    return any(c in match for c in '*?[')


def macs_fitting(cli, pattern):
    """The MACs of the APs whose names fit `pattern`, as tern-ap-cli matches them.

    `show` takes a MAC or a name only; a plan of a state with the pattern
    and no settings lists every AP the pattern matches and changes nothing,
    so the modules never hold a matching rule of their own.
    """
    text = json_document(dict(version=1, aps=[dict(match=pattern, settings={})]))[0]
    try:
        state = cli.write_private('state.json', text)
        rc, out, err = cli.run(['plan', state, '--json'] + cli.search_args())
    finally:
        cli.cleanup()
    report = cli.report('plan', rc, out, err)
    if rc != EXIT_OK:
        cli.fail('plan', rc, out, err, report)
    return set(ap.get('mac') for ap in report.get('aps') or [])


def main():
    module = TernApModule(argument_spec=argument_spec(), supports_check_mode=True)
    params = module.params
    match = params.get('match')
    if match is not None:
        refuse_option_like(module, 'match', [match])
    cli = TernApCli(module)
    target = ['--all'] if match is None else [match]
    wanted = None
    if match is not None and is_pattern(match):
        wanted = macs_fitting(cli, match)
        target = ['--all']
    aps = []
    err = ''
    # A pattern that no AP fits needs no second search.
    if wanted != set():
        args = ['show'] + target + ['--json'] + cli.search_args()
        if params['show_secrets']:
            args.append('--show-secrets')
        rc, out, err = cli.run(args)
        if not (rc == EXIT_FAILURE and NO_AP_ANSWERED in err):
            shown = parse_json(out) if rc == EXIT_OK else None
            if shown is None:
                cli.fail('show', rc, out, err, no_report=rc == EXIT_OK)
            # One AP comes as an object, several as a list.
            aps = shown if isinstance(shown, list) else [shown]
        if wanted is not None:
            aps = [ap for ap in aps if isinstance(ap, dict) and ap.get('mac') in wanted]
    cli.warn_from(err)
    result = dict(changed=False, aps=aps, stderr_lines=message_lines(err))
    expect_answered(module, cli, len(aps), then='as ' + match if match else '', **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
