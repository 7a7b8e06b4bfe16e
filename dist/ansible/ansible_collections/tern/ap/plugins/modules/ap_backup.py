#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r'''
---
module: ap_backup
short_description: Back up every wireless access point of a site, one file each
description:
  - Saves the whole record of each wireless access point (AP) that answers on
    the managed host's segments into C(dest), one C(MAC.json) each, with
    C(tern-ap-cli backup). C(tern-ap-cli restore) writes such a file back.
  - A file is replaced only when the AP's record differs from the one the
    file already holds; the date inside a backup alone is no change. Each
    file is written atomically and is readable by its owner only.
  - Sends search requests only; nothing on an AP is changed.
version_added: "0.1.0"
author:
  - The Tern AP Utility authors (!UNKNOWN)
requirements:
  - tern-ap-cli (package tern-ap-utility) on the managed host
attributes:
  check_mode:
    description: Searches and compares, writes no file.
    support: full
  diff_mode:
    description: Gives no diff.
    support: none
options:
  dest:
    description:
      - The folder on the managed host. It is made, readable by its owner only,
        when it does not exist.
    type: path
    required: true
  match:
    description:
      - Only these APs, each a MAC address, an exact name or a pattern of names.
        By default every AP that answers.
      - A MAC address or name that no AP answers as fails the task, after the
        others were saved.
      - A value that begins with C(-) is refused; name such an AP by its MAC address.
    type: list
    elements: str
extends_documentation_fragment:
  - tern.ap.common
  - tern.ap.common.login
  - tern.ap.common.expect_aps
notes:
  - A backup holds the APs' secrets; keep C(dest) private.
  - C(tern.ap.ap_restore) writes the files back.
seealso:
  - module: tern.ap.ap_settings
  - module: tern.ap.ap_info
  - module: tern.ap.ap_restore
'''

EXAMPLES = r'''
- name: Every AP of the site into /var/backups/tern-ap
  tern.ap.ap_backup:
    dest: /var/backups/tern-ap
    interfaces: [eth1]

- name: Two APs only
  tern.ap.ap_backup:
    dest: /var/backups/tern-ap
    match: [02-54-45-00-00-01, "Lab-*"]
'''

RETURN = r'''
files:
  description: Each AP saved, its file, and whether that file was written anew.
  returned: when the program saved at least one AP
  type: list
  elements: dict
  sample:
    - mac: 02-54-45-00-00-01
      path: /var/backups/tern-ap/02-54-45-00-00-01.json
      changed: true
dest:
  description: The folder the files are in, as the task gave it.
  returned: success and when some APs were saved before the task failed
  type: str
  sample: /var/backups/tern-ap
rc:
  description: The exit code of C(tern-ap-cli) (1 no AP answered or a file cannot be
    written, 2 an option, 4 an AP named in C(match) did not answer).
  returned: failure
  type: int
  sample: 4
heard:
  description: How many APs were saved, where fewer than C(expect_aps) were.
  returned: failure
  type: int
  sample: 2
stderr_lines:
  description: What the program said on stderr (how many APs it saved).
  returned: always
  type: list
  elements: str
'''

import json
import os
import tempfile

from ansible_collections.tern.ap.plugins.module_utils.tern_ap_cli import (
    COMMON_ARGUMENT_SPEC,
    EXIT_OK,
    EXIT_UNCONFIRMED,
    EXPECT_ARGUMENT_SPEC,
    TernApCli,
    TernApModule,
    expect_answered,
    message_lines,
    refuse_option_like,
)
from ansible_collections.tern.ap.plugins.module_utils.tern_ap_login import LOGIN_ARGUMENT_SPEC


def argument_spec():
    options = dict(
        dest=dict(type='path', required=True),
        match=dict(type='list', elements='str'),
    )
    options.update(COMMON_ARGUMENT_SPEC)
    options.update(LOGIN_ARGUMENT_SPEC)
    options.update(EXPECT_ARGUMENT_SPEC)
    return options


def record_of(path):
    """The record a backup file holds, or None for no file or a damaged one."""
    try:
        with open(path, 'rb') as f:
            content = json.loads(f.read().decode('utf-8'))
    except (IOError, OSError, ValueError):
        return None
    if not isinstance(content, dict):
        return None
    return content.get('record')


def replace_file(source, dest_dir, name):
    """Copies source to dest_dir/name by a rename: never half written."""
    fd, temporary = tempfile.mkstemp(prefix='.%s.' % name, dir=dest_dir)
    try:
        with os.fdopen(fd, 'wb') as out:
            with open(source, 'rb') as f:
                out.write(f.read())
            out.flush()
            os.fsync(out.fileno())
        os.chmod(temporary, 0o600)
        os.rename(temporary, os.path.join(dest_dir, name))
    except Exception:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def main():
    module = TernApModule(argument_spec=argument_spec(), supports_check_mode=True)
    params = module.params
    dest = params['dest']
    refuse_option_like(module, 'match', params.get('match') or [])
    cli = TernApCli(module)
    try:
        fresh = os.path.join(cli.private_dir(), 'saved')
        os.mkdir(fresh, 0o700)
        targets = params.get('match') or []
        args = ['backup'] + (targets or ['--all']) + [fresh + '/'] + cli.search_args()
        rc, out, err = cli.run(args, shown_as={fresh + '/': os.path.join(dest, '')})
        saved = sorted(f for f in os.listdir(fresh) if f.endswith('.json'))
        if rc not in (EXIT_OK, EXIT_UNCONFIRMED) or not saved:
            if rc == EXIT_OK:
                # Success without a single file is no backup at all.
                cli.fail('backup', rc, out, err, no_report='saved no file')
            cli.fail('backup', rc, out, err)

        files = []
        changed = False
        if not os.path.isdir(dest) and not module.check_mode:
            os.makedirs(dest, 0o700)
        for name in saved:
            source = os.path.join(fresh, name)
            path = os.path.join(dest, name)
            differs = record_of(source) != record_of(path) or record_of(source) is None
            if differs and not module.check_mode:
                replace_file(source, dest, name)
            changed = changed or differs
            files.append(dict(mac=name[:-len('.json')], path=path, changed=differs))
        result = dict(changed=changed, files=files, dest=dest)
        if rc != EXIT_OK:
            # A named AP did not answer: the others are saved, the task fails.
            cli.fail('backup', rc, out, err, **result)
        cli.warn_from(err)
        result['stderr_lines'] = message_lines(err)
    finally:
        cli.cleanup()
    expect_answered(module, cli, len(files), then='and were saved', **result)
    module.exit_json(**result)


if __name__ == '__main__':
    main()
