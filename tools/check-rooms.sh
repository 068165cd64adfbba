#!/bin/bash
# Checks what each room of the source tree includes (ARCHITECTURE.md): edit/
# no Qt and no OpenGL; physics/ and worlds/ nothing of edit/, view/ or app/.
# Prints every line that breaks a rule; exits 1 if there is one.
set -u
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
broken=0

# check ROOM PATTERN WHY
check() {
    local hits
    hits=$(grep -rnE "^[[:space:]]*#[[:space:]]*include[[:space:]]*[<\"]($2)" \
        --include='*.h' --include='*.cpp' "$root/$1" 2>/dev/null)
    if [ -n "$hits" ]; then
        echo "$1/ $3:"
        echo "$hits"
        broken=1
    fi
}

check edit 'Q|qt|GL/|glw/|drawer/|models/|view/|app/|EGL/|epoxy/' "must stay free of Qt and OpenGL"
check physics 'edit/|view/|app/|drawer/|models/|glw/' "must include nothing above it"
check worlds 'edit/|view/|app/|drawer/|models/|glw/' "must include nothing above it"
exit $broken
