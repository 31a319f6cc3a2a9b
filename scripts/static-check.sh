#!/bin/bash
# Static analysis of the module's, the tools' and the device library's code
# with Debian's cppcheck: warning, style, performance and portability checks,
# for 32-bit Windows.
# Any finding fails the run. A false finding is suppressed where it stands,
# with a word saying why: // cppcheck-suppress ID ; reason
set -euo pipefail
cd "$(dirname "$0")/.."

if cppcheck --enable=warning,style,performance,portability --platform=win32A --library=windows \
        --std=c++17 --inline-suppr --error-exitcode=1 --quiet -I . -D_WIN32 -D__GNUC__ \
        common plugin parser serial settings tools firmware; then
    echo "cppcheck: no finding"
else
    echo "cppcheck: findings above" >&2
    exit 1
fi
