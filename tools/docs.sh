#!/usr/bin/env bash
# Builds the reference manual into build-docs/html (or $SKEDRA_DOCS_DIR/html) with Doxygen.
# The component pages show the demo's screenshots: taken from SCREENSHOT_DIR when given,
# else from the test build's headless demo run when it is there, else made by a headless
# demo run (tools/demo.sh). Fails on any Doxygen warning except undocumented members that
# are not published; an undocumented published property or event of a published
# component fails it too.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh --docs
out=${SKEDRA_DOCS_DIR:-build-docs}
shots=${1:-}
if [ -z "$shots" ]; then
    if ls build-asan/examples/demo/screenshots/*-gantt-tree.png >/dev/null 2>&1; then
        shots=build-asan/examples/demo/screenshots
    else
        shots=$out/screenshots
        tools/demo.sh --screenshot "$shots" >/dev/null
        tools/demo.sh --screenshot "$shots" --scale 2 >/dev/null
    fi
fi
rm -rf "$out/html" "$out/images"
mkdir -p "$out/images"
# Pages name the screenshots by page title, without the demo's tab number.
for f in "$shots"/*.png; do
    name=$(basename "$f")
    cp "$f" "$out/images/${name#[0-9][0-9]-}"
done
log=$out/warnings.log
{
    cat docs/Doxyfile
    echo "OUTPUT_DIRECTORY = $out"
    echo "IMAGE_PATH = $out/images"
    echo "WARN_LOGFILE = $log"
} | doxygen -
# The published components, and the classes that hold their published events.
published='TqvGant_ComBasic|TqvGant|TqvDateScaler|TqvDateScalerModel|TqvTree|TqvTree_ComBasic|TqvTreePopup|TqvTreePopupHolder|TqvGrid|TMoxGridView_Custom|TqvSchema|TqvSchema_ComBasic|TqvSplitter|TXYSizer'
failures=$(grep -E 'warning|error' "$log" |
    grep -vE 'is not documented\.$' || true)
undocumented=$(grep -E "warning: (Member On[A-Za-z0-9_]+ \(variable\)|Member [A-Za-z0-9_]+ \(property\)) of class skedra::($published) is not documented\.|warning: Compound skedra::($published) is not documented\." "$log" | sort -u || true)
if [ -n "$failures$undocumented" ]; then
    [ -n "$failures" ] && echo "$failures"
    [ -n "$undocumented" ] && echo "$undocumented"
    echo "The manual has warnings: see above." >&2
    exit 1
fi
echo "Manual: $out/html/index.html"
