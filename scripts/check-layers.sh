#!/usr/bin/env bash
# Checks that project includes go downward only through the layers:
#   core/  <-  editor/syntax/  <-  editor/, tree/, transfer/, help/
#          <-  sites/  <-  upload/  <-  app/
# core/ includes nothing else of the project; editor/syntax/ includes nothing
# of the project outside itself; editor/ may use editor/syntax/ and core/;
# tree/, transfer/ and help/ use core/ only (and themselves); sites/ uses
# transfer/; upload/ uses sites/ and transfer/ (an upload asks for the
# site's password and trust). Prints every
# include that breaks the rule and exits 1 if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

allowed_for() {
    case "$1" in
    core) echo "core" ;;
    editor/syntax) echo "editor/syntax" ;;
    editor) echo "editor editor/syntax core" ;;
    tree) echo "tree core resources" ;;
    transfer) echo "transfer core" ;;
    sites) echo "sites transfer core" ;;
    upload) echo "upload sites transfer core" ;;
    help) echo "help core resources" ;;
    resources) echo "resources" ;;
    app) echo "app core editor editor/syntax tree transfer sites upload help resources" ;;
    *) echo "" ;;
    esac
}

bad=0
while IFS= read -r file; do
    case "$file" in
    editor/syntax/*) layer=editor/syntax ;;
    *) layer=${file%%/*} ;;
    esac
    allowed=$(allowed_for "$layer")
    [ -n "$allowed" ] || continue
    while IFS=: read -r line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$text")
        case "$target" in */*) ;; *) continue ;; esac # same-folder or system header
        case "$target" in editor/syntax/*) tlayer=editor/syntax ;; *) tlayer=${target%%/*} ;; esac
        case "$tlayer" in core | editor | editor/syntax | tree | transfer | sites | upload | help | app | resources) ;;
        *) continue ;; esac
        ok=0
        for a in $allowed; do [ "$a" = "$tlayer" ] && ok=1; done
        if [ $ok -eq 0 ]; then
            echo "$file:$line: $layer/ may not include $target"
            bad=1
        fi
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(git ls-files -- 'core/*' 'editor/*' 'tree/*' 'transfer/*' 'sites/*' 'upload/*' 'help/*' 'resources/*' 'app/*' |
    grep -E '\.(h|hpp|cpp|cc)$')

if [ $bad -ne 0 ]; then
    echo "Includes must go downward only: core <- editor/syntax <- editor, tree, transfer, help <- sites <- upload <- app" >&2
    exit 1
fi
echo "layers: every include goes downward"
