#!/usr/bin/env bash
# The catalogues' template made from the code (every text marked N_() where it
# is defined, or passed to tr/trf/trn/trc; NN_ and englishN give a text's two
# forms, NW_ a word said inside composed texts), then each language's catalogue
# brought up to it. Run after adding or changing a text; translators then
# fill in po/<lang>.po.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files '*.cpp' '*.h' | grep -v '^tests/\|^bench/\|^fuzz/\|^tools/' |
    xgettext --from-code=UTF-8 --language=C++ --keyword=N_ --keyword=tr --keyword=trf \
        --keyword=trn:1,2 --keyword=englishN:1,2 --keyword=NN_:1,2 --keyword=NW_:1c,2 \
        --keyword=trc:1c,2 --keyword=T --keyword=trw \
        --add-comments=TRANSLATORS --sort-by-file --package-name=Quarlo \
        --msgid-bugs-address=quarlo@localhost --files-from=- --output=po/quarlo.pot
for po in po/*.po; do
    msgmerge --quiet --update --backup=none --no-fuzzy-matching "$po" po/quarlo.pot
done
