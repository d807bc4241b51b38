# Sourced first by the benchmark scripts: strict mode, the C locale for figures and sorting,
# $here (bench/) and $root (the tree), the private X server of private_x.sh, and the frame
# counter that each script preloads into the program it measures.
# shellcheck shell=bash

set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck disable=SC2034 # used by the scripts that source this
root=$(cd "$here/.." && pwd)
# shellcheck source-path=SCRIPTDIR source=private_x.sh
source "$here/private_x.sh"

# Builds $tmp/frame_counter.so from frame_counter.c; call it after private_x has made $tmp.
build_frame_counter() {
  cc -shared -fPIC -O2 -Wall -o "$tmp/frame_counter.so" "$here/frame_counter.c" -ldl
}
