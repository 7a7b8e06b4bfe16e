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
    description: The path of C(tern-ap-cli); by default it is looked up in C(PATH).
    type: path
'''
