# -*- coding: utf-8 -*-
# Copyright: 2026 The Tern AP Utility authors

from __future__ import absolute_import, division, print_function

__metaclass__ = type


class ModuleDocFragment(object):
    # The options every module takes, as module_utils' COMMON_ARGUMENT_SPEC
    # declares them: where the search goes, how long it listens, which
    # program runs.
    DOCUMENTATION = r'''
options:
  interfaces:
    description:
      - Search only through these network interfaces of the managed host.
        By default every interface that is up and can broadcast is searched.
    type: list
    elements: str
  timeout_ms:
    description: How long a search listens, 100 to 600000 ms (the program's default 2000).
    type: int
  cli:
    description:
      - The path of C(tern-ap-cli); by default it is looked up in C(PATH).
      - The module fails unless C(tern-ap-cli --version) names the version of this
        collection.
    type: path
notes:
  - C(tern-ap-cli) runs with C(/dev/null) as its standard input, so it never waits for a
    password on a terminal (over SSH Ansible gives a module one).
'''

    # The login, as module_utils' LOGIN_ARGUMENT_SPEC declares it. Every
    # module takes it, so one module_defaults of group/tern.ap.all serves
    # them all.
    LOGIN = r'''
options:
  login_user:
    description:
      - The management user of the APs that no entry of C(logins) matches.
      - Needs a password, from C(login_password), C(login_password_file) or
        C(TERN_AP_PASSWORD) in the task's environment; without one the task fails
        at once.
      - Only the modules that write to APs use it; the others take it so that one
        C(module_defaults) of C(group/tern.ap.all) can set it for a play.
    type: str
  login_password:
    description:
      - The password of C(login_user). It reaches C(tern-ap-cli) through the
        environment, never the argument list.
    type: str
  login_password_file:
    description:
      - A file on the managed host whose first line is the password of C(login_user);
        C(tern-ap-cli) reads it itself.
    type: path
  logins:
    description:
      - Logins of APs with their own; the last entry that matches an AP gives its login.
    type: list
    elements: dict
    suboptions:
      match:
        description: A MAC address, an AP name or a pattern of names.
        type: str
        required: true
      user:
        description: The management user.
        type: str
        required: true
      password:
        description:
          - The password; handed over through the environment.
          - One of C(logins[].password) and C(logins[].password_file) is needed.
        type: str
      password_file:
        description: A file on the managed host whose first line is the password.
        type: path
'''

    # The least number of APs that must answer, as EXPECT_ARGUMENT_SPEC
    # declares it.
    EXPECT_APS = r'''
options:
  expect_aps:
    description:
      - Fail unless at least this many APs answered (those the task is about).
        A site where no AP was heard is not in its desired state, it was not seen.
      - Give C(0) to let a task succeed where no AP answers.
    type: int
    default: 1
'''
