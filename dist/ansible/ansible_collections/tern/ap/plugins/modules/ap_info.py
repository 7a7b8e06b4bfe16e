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
  - The Tern AP Utility authors
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
        name. By default every AP that answers.
    type: str
  show_secrets:
    description: Give keys, pass phrases and RADIUS secrets as they are.
    type: bool
    default: false
extends_documentation_fragment:
  - tern.ap.common
seealso:
  - module: tern.ap.ap_settings
  - module: tern.ap.ap_backup
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
  description: The exit code of C(tern-ap-cli).
  returned: failure
  type: int
  sample: 1
'''

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_FAILURE,
    EXIT_OK,
    TernApCli,
    parse_json,
)

# What tern-ap-cli says when no AP answered as the target: for this module
# an empty list, not a failure.
NO_AP_ANSWERED = 'no AP answered as'


def argument_spec():
    options = dict(
        match=dict(type='str'),
        show_secrets=dict(type='bool', default=False, no_log=False),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    return options


def main():
    module = AnsibleModule(argument_spec=argument_spec(), supports_check_mode=True)
    params = module.params
    cli = TernApCli(module)
    target = ['--all'] if params.get('match') is None else [params['match']]
    args = ['show'] + target + ['--json'] + cli.search_args()
    if params['show_secrets']:
        args.append('--show-secrets')
    rc, out, err = cli.run(args)
    if rc == EXIT_FAILURE and NO_AP_ANSWERED in err:
        module.exit_json(changed=False, aps=[])
    shown = parse_json(out) if rc == EXIT_OK else None
    if shown is None:
        cli.fail('show', rc, out, err)
    # One AP comes as an object, several as a list.
    aps = shown if isinstance(shown, list) else [shown]
    cli.warn_from(err)
    module.exit_json(changed=False, aps=aps)


if __name__ == '__main__':
    main()
