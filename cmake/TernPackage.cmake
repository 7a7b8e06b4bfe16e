# The Debian package: `cpack -G DEB` in the build folder. It holds what
# `cmake --install` puts under /usr; its Depends come from the libraries the
# programs link (dpkg-shlibdeps, package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tern-ap-utility)
set(CPACK_PACKAGE_VENDOR "The Tern AP Utility authors")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "find and configure wireless access points on the local network")
set(CPACK_PACKAGE_DESCRIPTION
    "Tern AP Utility finds the wireless access points on the LAN segment by a UDP
broadcast search, shows each access point's status and settings, and writes
edited settings back to one access point or to many at once, each answering
with an acknowledgement or a refusal.

The package holds the desktop program tern-ap-utility, tern-ap-cli for shells
and scripts (scan, show, set, backup and restore, with JSON output), and the
access point simulator tern-ap-sim for labs and training. Both programs have a
demo mode on simulated access points that sends nothing on the network.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${TERN_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window stands Liberation Sans in for the fonts its layout was made for.
# bash-completion loads tern-ap-cli's completion from
# share/bash-completion/completions; the Ansible collection under
# share/ansible/collections needs ansible-core, which only its users want.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation, bash-completion")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ansible-core)
# The licence travels as /usr/share/doc/tern-ap-utility/copyright (dist/).

include(CPack)
