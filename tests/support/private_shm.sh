#!/usr/bin/env bash
# Runs a command with a /dev/shm of its own (a private mount namespace), where that is allowed:
#   private_shm.sh COMMAND [ARGUMENTS...]
# JACK servers register in a table of eight in /dev/shm, and a server that was killed without
# its cleanup (a test run stopped half-way) keeps its entry for good: once eight are left, no
# new server starts ("Too many servers already active"). With a /dev/shm of its own, a test's
# server starts whatever earlier runs left behind, and leaves nothing behind itself. Where no
# namespace can be made (no privilege), the command runs as it is.
set -euo pipefail
if unshare --mount true 2>/dev/null; then
  exec unshare --mount bash -c 'mount -t tmpfs sorvell-shm /dev/shm && exec "$@"' private_shm "$@"
fi
exec "$@"
