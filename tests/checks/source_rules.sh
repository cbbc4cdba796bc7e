#!/bin/bash
# Three rules of the source tree, checked by grep. The build keeps the layers' includes apart for the
# files it compiles; these see every file, the other platforms' branches too:
#  - only the program's shell (src/shell, apps/, and zub::fatal itself) ends the process; library code
#    and the scenes report failures to their caller, so no exit(, fatal( or the shell's stopIfFailed(
#    elsewhere under src/;
#  - src/core is the ground floor: it includes no header of another subsystem;
#  - the library layers (the media layers, capture, safety, platform) include nothing of the program
#    (src/scenes, src/shell) that sits on them.
# Usage: source_rules.sh SOURCE_ROOT. Prints each offending line; fails when there is one.
set -u
root=${1:?source root}
cd "$root/src" || exit 2
status=0

ends=$(grep -rnE --include='*.cpp' --include='*.h' '(^|[^_[:alnum:]])(exit|fatal|stopIfFailed)\(' . |
       grep -vE '^\./shell/|^\./core/fatal\.(cpp|h):')
if [ -n "$ends" ]; then
  echo "library or scene code ends the process (report a zub::Failure to the caller instead):"
  echo "$ends"
  status=1
fi

upward=$(grep -rnE --include='*.cpp' --include='*.h' \
         '#include[[:space:]]*"(image|effects|objects|render|scenes|shell|music|video|platform|capture|safety)/' core)
if [ -n "$upward" ]; then
  echo "src/core includes a header from above it:"
  echo "$upward"
  status=1
fi
upward=$(grep -rnE --include='*.cpp' --include='*.h' '#include[[:space:]]*"(scenes|shell)/' \
         image effects objects render music video platform capture safety core 2>/dev/null)
if [ -n "$upward" ]; then
  echo "a library layer includes the program (src/scenes or src/shell) above it:"
  echo "$upward"
  status=1
fi
exit $status
