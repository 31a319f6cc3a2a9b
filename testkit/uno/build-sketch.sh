#!/bin/sh
# Builds one sketch with sketch.mk, quietly: the Arduino core's own warnings
# are shown only when the build fails.
#   build-sketch.sh SKETCH_FOLDER NAME OUT_FOLDER LIBRARY_FOLDER
set -u
folder=$1 name=$2 out=$3 libraries=$4
mkdir -p "$out"
if ! make -s -C "$folder" -f "$(dirname "$0")/sketch.mk" OBJDIR="$out" TARGET="$name" \
        USER_LIB_PATH="$libraries" > "$out/build.log" 2>&1; then
    cat "$out/build.log"
    exit 1
fi
