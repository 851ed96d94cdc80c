#!/bin/sh
# The layers of src/ as src/layers.txt lists them: every #include "folder/..."
# in src/ must name the including file's own folder or one on a lower line.
# A folder beside it (same line) needs an "a -> b" line in the file. Every
# folder of src/ must be listed. Prints each offending file:line.
#
# Usage: layers_test.sh [src directory]   (default: the src/ beside tests/)

src=${1:-$(dirname "$0")/../src}
layers=$src/layers.txt
[ -r "$layers" ] || { echo "no $layers" >&2; exit 1; }

status=0
for dir in "$src"/*/; do
    folder=$(basename "$dir")
    if ! sed 's/#.*//' "$layers" | tr -s ' \t' '\n\n' | grep -qx "$folder"; then
        echo "src/$folder: not listed in src/layers.txt"
        status=1
    fi
done

# grep prints path:line:text; the awk below needs the path relative to src/.
cd "$src" || exit 1
find . -type f \( -name '*.h' -o -name '*.cpp' \) | sed 's|^\./||' | sort |
    xargs grep -Hn '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' |
    awk -v layers=layers.txt '
    BEGIN {
        while ((getline line < layers) > 0) {
            sub(/#.*/, "", line)
            if (line ~ /->/) {
                split(line, pair, /[ \t]*->[ \t]*/)
                gsub(/[ \t]/, "", pair[1]); gsub(/[ \t]/, "", pair[2])
                allowed[pair[1] " " pair[2]] = 1
                continue
            }
            count = split(line, folders, /[ \t]+/)
            placed = 0
            for (i = 1; i <= count; ++i) {
                if (folders[i] == "") continue
                level[folders[i]] = depth + 1
                placed = 1
            }
            depth += placed
        }
    }
    {
        file = $0; sub(/:.*/, "", file)
        rest = substr($0, length(file) + 2)
        number = rest; sub(/:.*/, "", number)
        target = rest; sub(/^[^"]*"/, "", target); sub(/\/.*/, "", target)
        own = file; sub(/\/.*/, "", own)
        if (target == own || !(target in level) || !(own in level)) next
        if (level[target] > level[own])
            why = "reaches up from " own " to " target
        else if (level[target] == level[own] && !((own " " target) in allowed))
            why = "reaches sideways from " own " to " target
        else
            next
        print "src/" file ":" number ": " why
        failed = 1
    }
    END { exit failed }
    ' || status=1

[ $status -eq 0 ] && echo "layers: every include of src/ points down or stays in its folder"
exit $status
