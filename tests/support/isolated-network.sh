#!/bin/sh
# Runs a test in a private network namespace with only loopback up, when the machine allows it,
# so that a test that uses the proxy's fixed port never meets another program on that port (a
# proxy a developer is running, another checkout's test run). Where namespaces are not allowed
# the test runs as it is; the CTest resource lock on the port still keeps the suite's own tests
# apart.
if [ -z "${QS_NO_NETNS:-}" ] && command -v unshare >/dev/null 2>&1 && command -v ip >/dev/null 2>&1 \
    && unshare -n true 2>/dev/null; then
    exec unshare -n sh -c 'ip link set lo up && exec "$@"' isolated-network "$@"
fi
exec "$@"
