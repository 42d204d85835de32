#!/usr/bin/env bash
# Stands in for Wine's 32-bit loader on a host that cannot execute 32-bit programs:
# every test that would run a 32-bit program reports itself skipped, with the reason.
echo "skipped: this host cannot execute 32-bit programs"
exit 77
