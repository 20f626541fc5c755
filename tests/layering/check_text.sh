#!/bin/sh
# Fails on a leftover conflict marker or a whitespace error, as `git diff --check` reports them,
# in any file the repository tracks, as it stands in the work tree. Run with the project root.
set -e
cd "$1"
empty_tree=$(git hash-object -t tree /dev/null)
git diff --check "$empty_tree" --
