#!/usr/bin/env bash
# Prepares the Wine prefix for the Windows tests: created once (wineboot --init), and set to
# Wine's null graphics driver so that windows, message boxes and modal dialogs run without an
# X server. Safe to run again: it changes nothing that is already so.
set -euo pipefail
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}
prefix=${WINEPREFIX:-$HOME/.wine}

if [ ! -f "$prefix/system.reg" ]; then
  wineboot --init
fi
if ! grep -qs '^"Graphics"="null"' "$prefix/user.reg"; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /t REG_SZ /d null /f >/dev/null
fi
