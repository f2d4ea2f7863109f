#!/usr/bin/env bash
# Fails on an #include "..." that runs against the direction between the folders of the
# product: platform <- config <- core <- pager, launcher <- app. Pager and launcher are
# siblings and do not include each other. The companion libraries (libs/) stand beside the
# program and may use platform/ and config/ (the records they share); nothing in the product
# includes them. tests/, e2e/, bench/ and the backend's own check program may include anything.
# Only platform/win32/, libs/, e2e/ and resources/ may include <windows.h>.
#   check_layers.sh [source root]
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root" || exit 2

# What each folder may include besides itself.
allowed() {
  case $1 in
    platform) echo "" ;;
    config) echo "platform" ;;
    core) echo "platform config" ;;
    pager|launcher) echo "platform config core" ;;
    app) echo "platform config core pager launcher" ;;
    libs) echo "platform config" ;;
  esac
}

bad=0
checked=0
while IFS= read -r file; do
  from=${file%%/*}
  ok=$(allowed "$from")
  while IFS=: read -r line target; do
    to=${target%%/*}
    [ "$to" = "$target" ] && continue  # same folder, by file name alone
    [ "$to" = "$from" ] && continue
    case " $ok " in *" $to "*) continue ;; esac
    echo "$file:$line: $from/ includes $target"
    bad=$((bad + 1))
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
             sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
  checked=$((checked + 1))
done < <(find platform config core pager launcher app libs -type f 2>/dev/null \
           \( -name '*.h' -o -name '*.cpp' -o -name '*.rc' \) -not -path 'platform/win32/check/*' | sort)

while IFS=: read -r file line _; do
  case $file in platform/win32/*|libs/*|e2e/*|resources/*) continue ;; esac
  echo "$file:$line: includes <windows.h> outside the platform"
  bad=$((bad + 1))
done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<windows\.h>' \
           --include='*.h' --include='*.cpp' --include='*.rc' --exclude-dir=build \
           --exclude-dir=.git --exclude-dir=layers_fixture . 2>/dev/null | sed 's|^\./||')

if [ "$checked" -eq 0 ]; then
  echo "check_layers: no sources found under $root"
  exit 2
fi
if [ "$bad" -ne 0 ]; then
  echo "check_layers: $bad include(s) against the rules, $checked files checked"
  exit 1
fi
echo "check_layers: $checked files, every include follows the direction"
