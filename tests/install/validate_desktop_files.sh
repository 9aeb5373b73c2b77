#!/usr/bin/env bash
# Validates the desktop entry and the AppStream metainfo: desktop-file-validate
# and appstreamcli (without network: the screenshot's address is not fetched).
#   $1 the desktop entry, $2 the metainfo file
set -euo pipefail
desktop-file-validate "$1"
appstreamcli validate --no-net --pedantic "$2"
