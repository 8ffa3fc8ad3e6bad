#!/usr/bin/env bash
# Sets everything up, builds the three builds and runs every test: the host tests under AddressSanitizer
# and UndefinedBehaviorSanitizer, a bounded run of each fuzz target, and the Windows tests under Wine.
# Ends with CTest's summary of all of them; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
start=$(date +%s)

./scripts/setup.sh

python3 decoder/layer3/make_huffman_trees.py --check
python3 resources/artwork/make_artwork.py --check

for preset in host win64 win32; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

# One CTest run over both test trees, so that one summary covers everything.
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("host" "win64")
CTEST
echo "== tests (built in $(( $(date +%s) - start )) s)"
ctest --test-dir build --output-on-failure -j2
