#!/usr/bin/env bash
# Regenerates po/default.pot, the template from which a translator starts a
# new language (msginit -i po/default.pot -l de -o po/de.po).
#
# Its identifiers are those of po/fr.po, which holds every translated window
# text of the layouts, joined with every literal text the sources pass to
# Translate("...") (found by xgettext), so that a run-time text added to the
# code shows up here before it has a French entry.
set -euo pipefail
cd "$(dirname "$0")/.."

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Identifiers of the French catalog, translations emptied.
msgfilter --no-wrap -i po/fr.po -o "$tmp/catalog.pot" sed -e d
# Texts passed to Translate() in the sources.
find src -name '*.cpp' -o -name '*.h' | sort > "$tmp/sources"
xgettext --force-po --no-wrap --from-code=UTF-8 --language=C++ --keyword=Translate \
  --add-comments --package-name=Ventaro --files-from="$tmp/sources" -o "$tmp/sources.pot"

msgcat --no-wrap --use-first "$tmp/sources.pot" "$tmp/catalog.pot" -o "$tmp/default.pot"
# Catalogs of this program must be UTF-8: say so in the template already.
sed -e 's/charset=CHARSET/charset=UTF-8/' "$tmp/default.pot" > po/default.pot
echo "wrote po/default.pot ($(grep -c '^msgid ' po/default.pot) entries, header included)"
