#!/usr/bin/env bash
# The desktop entry and the AppStream metadata: valid for the desktop's own
# validators, one main menu category, the program's name and description in
# every language the program ships, and the release the build makes.
#   desktop_entry_test.sh RESOURCES_DIR VERSION
set -euo pipefail
res=$1
version=$2
desktop=$res/faxrcp.desktop
metainfo=$(ls "$res"/*.metainfo.xml)
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) || fail "appstreamcli validate: $out"

# The desktop menus' main categories.
main="AudioVideo Audio Video Development Education Game Graphics Network Office Science Settings System Utility"
categories=$(sed -n 's/^Categories=//p' "$desktop" | tr ';' ' ')
count=0
for c in $categories; do
    for m in $main; do
        [ "$c" = "$m" ] && count=$((count + 1))
    done
done
[ "$count" -eq 1 ] || fail "$count main categories in '$categories', wanted one"

for dir in "$res"/lang/*/; do
    lang=$(basename "$dir")
    [ "$lang" = en ] && continue
    for key in Name GenericName Comment Keywords; do
        grep -q "^$key\[$lang\]=." "$desktop" || fail "no $key[$lang] in the desktop entry"
    done
    for tag in name summary; do
        grep -q "<$tag xml:lang=\"$lang\">" "$metainfo" || fail "no <$tag xml:lang=\"$lang\"> in $metainfo"
    done
done

newest=$(grep -o '<release version="[^"]*"' "$metainfo" | head -1 | cut -d'"' -f2)
[ "$newest" = "$version" ] || fail "newest release in the metadata is '$newest', the build is $version"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = "$(basename "$desktop")" ] || fail "the metadata launches '$launchable'"
id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
[ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "$metainfo is not named after its id $id"

[ "$failures" -eq 0 ] || exit 1
echo "desktop entry and metadata: valid, one main category, every language"
