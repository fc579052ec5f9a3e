#!/usr/bin/env bash
# The About window's two pictures as icons, so they keep their transparent
# corners on any window colour; drawn by ../resources/make_images.sh. The
# results are committed so the build needs no ImageMagick.
#   ui/win32/make_icons.sh
set -euo pipefail
cd "$(dirname "$0")"
for name in about-crest about-scroll; do
    convert "../resources/$name.png" -depth 8 "$name.ico"
done
