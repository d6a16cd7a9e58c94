#!/bin/sh
# Starts Velmir among its textures: the program reads them from its working directory.
# The paths are taken relative to this script, so an installed copy under any prefix, or an
# unpacked copy of the package, finds its own files. Arguments go to the program unchanged.
prefix=$(dirname "$(dirname "$(readlink -f "$0")")")
cd "$prefix/share/games/velmir" || exit 1
exec "$prefix/lib/games/velmir/velmir" "$@"
